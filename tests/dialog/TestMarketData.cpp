// 市场数据 driven as a user would: files chosen through the prompt seam's
// recorder, what loading, refusing, clearing and changing a file on disk do
// to the fields, the prices and the results shown, and the files remembered
// between runs.
#include "Calendar.h"
#include "DialogUnderTest.h"
#include "MarketDataDialog.h"
#include "PlotColorMap.h"
#include "SurfaceView.h"
#include "Pricer.h"
#include "TermTable.h"

#include <QCoreApplication>
#include <QFile>
#include <QLabel>
#include <QSettings>
#include <QTableWidget>
#include <QTabWidget>
#include <QtTest>

#include <algorithm>
#include <cmath>
#include <memory>

namespace {

bool isStale(const QLineEdit* f) { return f->property("stale").toBool(); }

}  // namespace

class TestMarketData : public QObject, private DialogFixture
{
    Q_OBJECT

    QString file(const QString& name, const QByteArray& content) const
    {
        const QString path = home.filePath(name);
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(content) != content.size())
            qFatal("cannot write %s", qPrintable(path));
        return path;
    }

    static MarketDataDialog* openMarket(DialogUnderTest& d)
    {
        d.click("pushButton_market");
        return d.marketDialog();
    }

    // Loads path as the input named key (rates, dividends, ...) through the dialog.
    void load(DialogUnderTest& d, const char* key, const QString& path)
    {
        MarketDataDialog* m = openMarket(d);
        prompter->fileAnswers << path;
        child<QPushButton>(m, (QByteArray("pushButton_load_") + key).constData())->click();
    }

    static QString loadedPath(const DialogUnderTest& d, MarketInput input)
    {
        const LoadedMarketFile* f = d.controller().market().file(input);
        return f ? f->path : QString();
    }

    static void clear(DialogUnderTest& d, const char* key)
    {
        child<QPushButton>(openMarket(d), (QByteArray("pushButton_clear_") + key).constData())->click();
    }

    // The accurate price of the window's terms, as the engine gives it for the request handed over.
    Valuation priced(DialogUnderTest& d)
    {
        d.click("pushButton_price");
        if (!prompter->boxes.isEmpty())
            qWarning("%s", qPrintable(prompter->summary().join("; ")));
        const PricingRequest* r = d.controller().handedRequest();
        return r ? price(*r) : Valuation();
    }

    // A volatility input is solved on its own time steps: the same price within the error estimate.
    static bool samePrice(const Valuation& a, const Valuation& b)
    {
        return a.ok() && b.ok() && std::fabs(a.value - b.value) <= *b.error_estimate;
    }

private slots:
    void initTestCase()
    {
        QVERIFY(!trd_calendar().empty());
        QVERIFY(home.isValid());
        qputenv("HOME", home.path().toUtf8());
        // Settings in a scratch scope: the window remembers files once the program has a name.
        QSettings::setDefaultFormat(QSettings::IniFormat);
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, home.filePath("settings"));
        QCoreApplication::setOrganizationName(QStringLiteral("KelvaraTest"));
        QCoreApplication::setApplicationName(QStringLiteral("TestMarketData"));
    }
    void init()
    {
        prompter = std::make_unique<RecordingPrompter>();
        QSettings().clear();
    }
    void cleanup() { prompter.reset(); }

    // Each input greys the flat field it replaces and names its file; its
    // table shows the file's rows; clearing gives the field back.
    void loadGreysTheFieldItReplaces_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("field");
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<int>("rows");
        QTest::newRow("利率曲线") << "rates" << "lineEdit_rate" << QByteArray("point,rate_pct\n0.5,2\n1.0,2.5\n") << 2;
        QTest::newRow("分红率曲线") << "dividends" << "lineEdit_q" << QByteArray("point,rate_pct\n1.0,1\n") << 1;
        QTest::newRow("股指期货") << "futures" << "lineEdit_q"
                              << QByteArray("\xEF\xBB\xBFpoint,price\r\n0.25,99.5\r\n0.5,99\r\n1.0,98\r\n") << 3;
        QTest::newRow("波动率期限曲线") << "volatility_curve" << "lineEdit_vol"
                                 << QByteArray("# term\npoint,vol_pct\n0.25,22\n1.0,20\n") << 2;
        QTest::newRow("局部波动率网格") << "local_volatility" << "lineEdit_vol"
                                 << QByteArray("point,80,100,120\n0.5,26,20,17\n1.0,25,20,18\n") << 2;
    }
    void loadGreysTheFieldItReplaces()
    {
        QFETCH(QString, key);
        QFETCH(QString, field);
        QFETCH(QByteArray, content);
        QFETCH(int, rows);
        auto d = makeDialog();
        const QString path = file(key + ".csv", content);
        load(*d, qPrintable(key), path);
        QVERIFY2(prompter->boxes.isEmpty(), qPrintable(prompter->summary().join("; ")));
        QLineEdit* flat = d->edit(qPrintable(field));
        QVERIFY(!flat->isEnabled());
        QVERIFY2(flat->toolTip().contains(path), qPrintable(flat->toolTip()));
        QVERIFY(d->edit("lineEdit_vol_shift")->isEnabled());
        QCOMPARE(child<QTableWidget>(d->marketDialog(), qPrintable("table_" + key))->rowCount(), rows);
        QVERIFY(child<QLabel>(d->marketDialog(), qPrintable("label_file_" + key))->text().contains(path));

        clear(*d, qPrintable(key));
        QVERIFY(flat->isEnabled());
        QVERIFY(flat->toolTip().isEmpty());
        QVERIFY(!d->edit("lineEdit_vol_shift")->isEnabled());
        QVERIFY(!d->controller().market().any());
    }

    // A bad file is refused with a message naming the file and the line;
    // what was loaded before stays loaded and in use. (Each way a file can be
    // bad is the market file reader's test.)
    void badFileChangesNothing()
    {
        auto d = makeDialog();
        const QString good = file("good_rates.csv", "point,rate_pct\n1.0,2\n");
        load(*d, "rates", good);
        QVERIFY(prompter->boxes.isEmpty());
        load(*d, "rates", file("bad_rates.csv", "point,rate_pct\n0.5,2\n1.0,two\n"));
        QCOMPARE(prompter->boxes.size(), 1);
        const QString text = prompter->boxes.front().text;
        QVERIFY2(text.contains("bad_rates.csv") && text.contains("3"), qPrintable(text));
        QCOMPARE(loadedPath(*d, MarketInput::Rates), good);
        QVERIFY(d->edit("lineEdit_rate")->toolTip().contains(good));
    }

    // With a market loaded the design grid refuses to price, saying why.
    void refusedWithoutAccurate()
    {
        auto d = makeDialog();
        load(*d, "rates", file("rates.csv", "point,rate_pct\n1.0,2\n"));
        d->box("checkBox_accurate")->setChecked(false);
        d->click("pushButton_price");
        QCOMPARE(prompter->boxes.size(), 1);
        Refusal refusal;
        refusal.code = RefusalCode::MarketNeedsAccurate;
        QCOMPARE(prompter->boxes.front().text, refusalText(refusal));
        QCOMPARE(d->text("lineEdit_price"), QStringLiteral("-"));
        QVERIFY(!d->controller().initialised());
    }

    // One-point curves at the fields' numbers price as the fields do; the
    // market is in the request (and results go stale when it changes);
    // clearing it prices as before.
    void onePointCurvesPriceAsTheFlatFields()
    {
        auto d = makeDialog();
        d->box("checkBox_accurate")->setChecked(true);
        d->set("lineEdit_rate", "3");
        d->set("lineEdit_q", "1");
        d->set("lineEdit_vol", "20");
        const Valuation flat = priced(*d);
        QVERIFY(flat.ok());
        const QString shown = d->text("lineEdit_price");

        load(*d, "rates", file("r.csv", "point,rate_pct\n1.0,3\n"));
        QVERIFY(isStale(d->edit("lineEdit_price")));
        load(*d, "dividends", file("q.csv", "point,rate_pct\n0.5,1\n"));
        // What the greyed fields hold is not read.
        d->set("lineEdit_rate", "9");
        d->set("lineEdit_q", "oops");
        QCOMPARE(priced(*d).value, flat.value);
        QVERIFY(prompter->boxes.isEmpty());
        QVERIFY(d->controller().handedRequest()->market);
        QCOMPARE(d->text("lineEdit_price"), shown);
        QVERIFY(d->edit("lineEdit_price")->toolTip().contains("q.csv"));

        load(*d, "volatility_curve", file("v.csv", "point,vol_pct\n2.0,20\n"));
        d->set("lineEdit_vol", "oops");
        QVERIFY(samePrice(priced(*d), flat));
        // The shift moves the volatility curve as the field moves the flat volatility.
        d->set("lineEdit_vol_shift", "2");
        const Valuation shifted = priced(*d);
        for (const char* key : {"rates", "dividends", "volatility_curve"}) {
            clear(*d, key);
            QVERIFY(isStale(d->edit("lineEdit_price")));
        }
        d->set("lineEdit_rate", "3");
        d->set("lineEdit_q", "1");
        d->set("lineEdit_vol", "22");
        const Valuation flat22 = priced(*d);
        QVERIFY(!d->controller().handedRequest()->market);
        QVERIFY(samePrice(shifted, flat22));
        QVERIFY(!samePrice(flat, flat22));
    }

    // A file changed on disk is read again before the next price, and
    // refused while it cannot be read: never priced as it was.
    void changedFileIsReadAgainOrRefused()
    {
        auto d = makeDialog();
        d->box("checkBox_accurate")->setChecked(true);
        d->set("lineEdit_vol", "20");
        const QString path = file("vol.csv", "point,vol_pct\n1.0,20\n");
        load(*d, "volatility_curve", path);
        const Valuation before = priced(*d);
        QVERIFY(d->controller().termsCurrent());

        file("vol.csv", "point,vol_pct\n1.0,25\n");
        // Watched: what was priced from it goes stale at once.
        QTRY_VERIFY(isStale(d->edit("lineEdit_price")));
        QVERIFY(!d->controller().termsCurrent());
        const Valuation after = priced(*d);
        QVERIFY(prompter->boxes.isEmpty());
        QVERIFY(!samePrice(after, before));
        clear(*d, "volatility_curve");
        d->set("lineEdit_vol", "25");
        QVERIFY(samePrice(after, priced(*d)));

        load(*d, "volatility_curve", path);
        file("vol.csv", "point,vol_pct\n1.0,-3\n");
        d->click("pushButton_price");
        QCOMPARE(prompter->boxes.size(), 1);
        QVERIFY2(prompter->boxes.front().text.contains("vol.csv"), qPrintable(prompter->boxes.front().text));
        QVERIFY(d->edit("lineEdit_vol")->toolTip().contains(QStringLiteral("无法重新读取")));
        QCOMPARE(d->text("lineEdit_price"), QStringLiteral("-"));
    }

    // A surface shows each expiry's smile (quotes and fitted line), its
    // local volatility, and in words the largest repricing error the fit
    // found; the accurate price then uses its local volatility.
    void surfaceShowsItsFit()
    {
        auto d = makeDialog();
        d->box("checkBox_accurate")->setChecked(true);
        const QString path = QStringLiteral(KELVARA_TEST_DATA_DIR "/market/ssvi_surface.csv");
        load(*d, "volatility_surface", path);
        QVERIFY2(prompter->boxes.isEmpty(), qPrintable(prompter->summary().join("; ")));
        const MarketBuild& built = d->controller().market().lastBuild();
        QVERIFY(built.ok() && built.surface);
        double worst = 0.0;
        for (const QuoteResult& q : built.surface->quotes)
            worst = std::max(worst, std::fabs(q.error_bp));
        QVERIFY(worst > 0.05);  // a real error to name, not a zero that any text would match
        MarketDataDialog* m = d->marketDialog();
        const QString words = child<QLabel>(m, "label_surface_words")->text();
        QVERIFY2(words.contains(QString::number(worst, 'f', 1) + QStringLiteral(" 个基点")), qPrintable(words));
        QCOMPARE(child<QTableWidget>(m, "table_surface")->rowCount(), int(built.surface->quotes.size()));
        QCOMPARE(child<QwtPlot>(m, "plot_smiles")->itemList(QwtPlotItem::Rtti_PlotCurve).size(), 2 * 4);
        QVERIFY(child<PlotColorMap>(m, "colormap_surface")->cellCount() > 0);
        QVERIFY(!d->edit("lineEdit_vol")->isEnabled());

        QVERIFY(priced(*d).ok());
        QVERIFY(d->edit("lineEdit_price")->toolTip().contains(QStringLiteral("最大重定价误差")));
        // The Greeks are those of the same market, and say so.
        d->click("pushButton_calc_greeks");
        QVERIFY2(prompter->boxes.isEmpty(), qPrintable(prompter->summary().join("; ")));
        QVERIFY(d->controller().handedRequest()->market);
        QVERIFY(d->edit("lineEdit_out_price")->toolTip().contains("ssvi_surface.csv"));
    }

    // The words name the quote furthest from its market volatility, either
    // side, and any quote the solver could not reprice before all others.
    void repricingErrorInWords_data()
    {
        QTest::addColumn<QList<double>>("errors");
        QTest::addColumn<QString>("expected");
        const double nan = std::nan("");
        QTest::newRow("largest below the market") << QList<double>{1.0, -3.5, 2.0} << "3.5 个基点";
        QTest::newRow("largest above") << QList<double>{1.0, -3.0, 4.5} << "4.5 个基点";
        QTest::newRow("not repriced") << QList<double>{9.0, nan, 2.0} << "行权价 101 的报价无法";
    }
    void repricingErrorInWords()
    {
        QFETCH(QList<double>, errors);
        QFETCH(QString, expected);
        SurfaceCalibration fit;
        for (int i = 0; i < errors.size(); ++i) {
            QuoteResult q;
            q.quote = {0.5, 100.0 + i, 0.2, "quotes.csv line " + std::to_string(i + 2)};
            q.error_bp = errors[i];
            q.repriced_vol = 0.2 + errors[i] / 1e4;
            fit.quotes.push_back(q);
        }
        const QString words = SurfaceView::errorWords(fit, MarketTable());
        QVERIFY2(words.contains(expected), qPrintable(words));
    }

    // The files loaded come back in the next window; one gone since is
    // named and forgotten.
    void filesRememberedBetweenRuns()
    {
        const QString rates = file("kept_rates.csv", "point,rate_pct\n1.0,2\n");
        const QString grid = file("kept_grid.csv", "point,90,110\n1.0,22,18\n");
        {
            auto d = makeDialog();
            load(*d, "rates", rates);
            load(*d, "local_volatility", grid);
            QVERIFY(prompter->boxes.isEmpty());
        }
        {
            auto d = makeDialog();
            QCOMPARE(loadedPath(*d, MarketInput::Rates), rates);
            QCOMPARE(loadedPath(*d, MarketInput::LocalVolatility), grid);
            QVERIFY(!d->edit("lineEdit_vol")->isEnabled());
            clear(*d, "rates");
        }
        QVERIFY(QFile::remove(grid));
        {
            auto d = makeDialog();
            QVERIFY(!d->controller().market().any());
            QTRY_COMPARE(prompter->boxes.size(), 1);
            QVERIFY2(prompter->boxes.front().text.contains("kept_grid.csv"), qPrintable(prompter->summary().join(";")));
        }
        QVERIFY(QSettings().value("market/local_volatility").toString().isEmpty());
    }
};

QTEST_MAIN(TestMarketData)
#include "TestMarketData.moc"
