// 市场数据 driven as a user would: files chosen through the prompt seam's
// recorder, what loading, refusing, clearing and changing a file on disk do
// to the fields, the prices and the results shown, and the files remembered
// between runs.
#include "Calendar.h"
#include "DialogUnderTest.h"
#include "MarketDataDialog.h"
#include "Pricer.h"
#include "TermTable.h"

#include <QCoreApplication>
#include <QFile>
#include <QLabel>
#include <QSettings>
#include <QTableWidget>
#include <QTabWidget>
#include <QtTest>

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

    std::unique_ptr<DialogUnderTest> accurateDialog() const
    {
        auto d = makeDialog();
        d->box("checkBox_accurate")->setChecked(true);
        return d;
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
    // what was loaded before stays loaded and in use.
    void badFileChangesNothing_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("line");
        QTest::newRow("header") << QByteArray("point,vol_pct\n1.0,2\n") << "1";
        QTest::newRow("not a number") << QByteArray("point,rate_pct\n0.5,2\n1.0,two\n") << "3";
        QTest::newRow("keys not increasing") << QByteArray("point,rate_pct\n1.0,2\n0.5,2\n") << "3";
        QTest::newRow("rate beyond 100 %") << QByteArray("point,rate_pct\n1.0,120\n") << "2";
    }
    void badFileChangesNothing()
    {
        QFETCH(QByteArray, content);
        QFETCH(QString, line);
        auto d = makeDialog();
        const QString good = file("good_rates.csv", "point,rate_pct\n1.0,2\n");
        load(*d, "rates", good);
        QVERIFY(prompter->boxes.isEmpty());
        const QString bad = file("bad_rates.csv", content);
        load(*d, "rates", bad);
        QCOMPARE(prompter->boxes.size(), 1);
        const QString text = prompter->boxes.front().text;
        QVERIFY2(text.contains("bad_rates.csv") && text.contains(line), qPrintable(text));
        QCOMPARE(d->controller().market().file(MarketInput::Rates)->path, good);
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
        auto d = accurateDialog();
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
        auto d = accurateDialog();
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
            QCOMPARE(d->controller().market().file(MarketInput::Rates)->path, rates);
            QCOMPARE(d->controller().market().file(MarketInput::LocalVolatility)->path, grid);
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
