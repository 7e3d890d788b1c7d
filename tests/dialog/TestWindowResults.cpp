// What the window shows belongs to the terms on screen: typed texts are read
// strictly, refusals say which term and why and leave "-" behind, results go
// stale when a term changes, and a long run can be cancelled without touching
// what was there before.
#include "Calendar.h"
#include "DialogUnderTest.h"
#include "ExportTableWidget.h"
#include "PanelProbability.h"
#include "PlotBars.h"
#include "ProbabilityProfile.h"

#include <QApplication>
#include <QDateEdit>
#include <QElapsedTimer>
#include <QProgressDialog>
#include <QTableWidget>
#include <QTimer>
#include <QtTest>

#include <memory>

class TestWindowResults : public QObject, private DialogFixture
{
    Q_OBJECT

private:
    static QLineEdit* field(DialogUnderTest& d, const QString& name)
    {
        return d.findChild<QLineEdit*>(name);
    }

    static bool isStale(const QLineEdit* f) { return f->property("stale").toBool() && !f->toolTip().isEmpty(); }

private slots:
    void initTestCase() { QVERIFY(!trd_calendar().empty()); }
    void init() { prompter = std::make_unique<RecordingPrompter>(); }
    void cleanup() { prompter.reset(); }

    // One bad text per kind of field: number, integer, "_" list, out of range.
    void badTextRefusedByName_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("message");
        QTest::newRow("number: letters") << "lineEdit_vol" << "abc" << "“波动率(%)”不是有效的数字：abc";
        QTest::newRow("number: empty") << "lineEdit_vol" << "" << "“波动率(%)”为空，请输入数字";
        QTest::newRow("number: overflow") << "lineEdit_rate" << "1e400" << "“无风险利率(%)”不是有效的数字：1e400";
        QTest::newRow("list: letter") << "lineEdit_ki" << "x" << "“敲入价格”不是有效的数字：x";
        QTest::newRow("list: empty part") << "lineEdit_ko" << "103__101" << "“敲出价格”不是有效的数字：103__101";
        QTest::newRow("integer: letters") << "lineEdit_M" << "abc" << "“M”不是有效的数字：abc";
        QTest::newRow("integer: fraction") << "lineEdit_year_days" << "243.5" << "“PDE年天数”不是有效的数字：243.5";
    }
    void badTextRefusedByName()
    {
        QFETCH(QString, name);
        QFETCH(QString, text);
        QFETCH(QString, message);
        auto d = makeDialog();
        d->pushButton_price->click();
        QVERIFY(prompter->boxes.isEmpty());
        const Snowball_PDE before = d->pricingEngine();

        field(*d, name)->setText(text);
        d->pushButton_price->click();
        QCOMPARE(prompter->summary(), QStringList({"结构参数错误|" + message}));
        QCOMPARE(prompter->boxes[0].icon, prompt::Icon::Critical);
        QCOMPARE(d->lineEdit_price->text(), QString("-"));
        // Nothing was handed over.
        QCOMPARE(d->pricingEngine().params.sigma, before.params.sigma);
        QCOMPARE(d->pricingEngine().contract.ki_barrier, before.contract.ki_barrier);
        QCOMPARE(d->pricingEngine().params.M, before.params.M);
    }

    // Terms that read as numbers but that the engine would refuse: the box
    // names the term and the result field shows "-", never "nan".
    void engineRefusalSaysWhy_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("reason");
        QTest::newRow("negative vol") << "lineEdit_vol" << "-5" << "波动率(%)不能为负";
        QTest::newRow("M 2") << "lineEdit_M" << "2" << "M应不小于3";
        QTest::newRow("N 0") << "lineEdit_N" << "0" << "N应不小于1";
        QTest::newRow("year days 0") << "lineEdit_year_days" << "0" << "PDE年天数应大于0";
        QTest::newRow("cap below spot") << "lineEdit_Smax" << "90" << "价格上限应大于标的价格";
        QTest::newRow("N too coarse") << "lineEdit_N" << "5" << "N过小：两个敲出观察日落在同一时间步上";
    }
    void engineRefusalSaysWhy()
    {
        QFETCH(QString, name);
        QFETCH(QString, text);
        QFETCH(QString, reason);
        auto d = makeDialog();
        d->pushButton_price->click();
        QVERIFY(d->lineEdit_price->text().toDouble() > 50);
        field(*d, name)->setText(text);
        d->pushButton_price->click();
        QCOMPARE(prompter->summary(), QStringList({"结构参数错误|" + reason}));
        QCOMPARE(d->lineEdit_price->text(), QString("-"));
        QVERIFY(!isStale(d->lineEdit_price));
    }

    void resultsGoStaleWhenTermsChange()
    {
        auto d = makeDialog();
        d->pushButton_price->click();
        d->pushButton_calc_greeks->click();
        QVERIFY(prompter->boxes.isEmpty());
        QVERIFY(d->gridCurrent());
        QVERIFY(!isStale(d->lineEdit_price));
        QVERIFY(!isStale(d->lineEdit_out_delta));

        const QString price = d->lineEdit_price->text();
        d->lineEdit_vol->setText("25");
        QVERIFY(isStale(d->lineEdit_price));
        QVERIFY(isStale(d->lineEdit_out_delta));
        QCOMPARE(d->lineEdit_price->text(), price);  // kept, but marked
        QVERIFY(!d->gridCurrent());

        // Lookups and exports on a grid of other terms are refused.
        d->pushButton_lookup->click();
        d->pushButton_export_matrix->click();
        const QString stale = "错误:|条款已修改，网格不再对应当前条款，请先点击【风险指标计算】";
        QCOMPARE(prompter->summary(), QStringList({stale, stale}));
        QVERIFY(prompter->fileDialogs.isEmpty());

        d->pushButton_price->click();
        QVERIFY(!isStale(d->lineEdit_price));
        QVERIFY(d->lineEdit_price->text() != price);
        QVERIFY(isStale(d->lineEdit_out_delta));  // the Greeks still need their run
        d->pushButton_calc_greeks->click();
        QVERIFY(!isStale(d->lineEdit_out_delta));

        // A lookup input marks the lookup outputs only.
        d->lineEdit_lookup_S->setText("95");
        QVERIFY(isStale(d->lineEdit_out_delta));
        QVERIFY(!isStale(d->lineEdit_price));
        d->pushButton_lookup->click();
        QVERIFY(!isStale(d->lineEdit_out_delta));

        // A saved schedule is a term too.
        d->editorSave->click();
        QVERIFY(isStale(d->lineEdit_price));
        QVERIFY(!d->gridCurrent());
    }

    // 概率分析 describes the priced structure with the schedule's dates, and
    // only while the terms on screen are those priced.
    void probabilityPanelFollowsThePricedTerms()
    {
        auto d = makeDialog();
        QCOMPARE(qobject_cast<QGroupBox*>(d->pushButton_probability->parentWidget())->title(), QString("风险分析"));
        d->pushButton_probability->click();
        QCOMPARE(prompter->summary(), QStringList({"错误:|结构信息未初始化，请先点击【定价】"}));
        QVERIFY(!d->probabilityPanel());
        prompter->clear();

        d->pushButton_price->click();
        d->pushButton_probability->click();
        QVERIFY(prompter->boxes.isEmpty());
        PanelProbability* panel = d->probabilityPanel();
        QVERIFY(panel && panel->isVisible());
        const QStringList dates = d->published().dates.split('_');
        QCOMPARE(panel->table->rowCount(), dates.size());
        const Snowball_PDE& priced = d->pricingEngine();
        const ProbabilityProfile expected = probability_profile(priced.contract, priced.params);
        QVERIFY(expected.ok());
        for (int i : {0, dates.size() - 1}) {
            const QString shown = QDate::fromString(dates[i], "yyyyMMdd").toString("yyyy/MM/dd");
            QCOMPARE(panel->table->item(i, 0)->text(), shown);
            QCOMPARE(panel->plot->barLabel(i), shown);
            QCOMPARE(panel->table->item(i, 1)->text(), d->lineEdit_ko->text());
            QCOMPARE(panel->table->item(i, 2)->text(),
                     QString::asprintf("%.2f%%", 100.0 * expected.ko_probability[size_t(i)]));
        }

        // A changed term greys the panel and refuses a new analysis until priced.
        d->lineEdit_vol->setText("25");
        QVERIFY(panel->isStale());
        d->pushButton_probability->click();
        QCOMPARE(prompter->summary(), QStringList({"错误:|条款已修改，结构信息不再对应当前条款，请先点击【定价】"}));
        d->pushButton_price->click();
        d->pushButton_probability->click();
        QCOMPARE(prompter->boxes.size(), 1);
        QVERIFY(!panel->isStale());
        QCOMPARE(d->probabilityPanel(), panel);  // kept for the rest of the run
    }

    void lookupAfterExpiryRefused()
    {
        auto d = makeDialog();
        d->pushButton_price->click();
        d->pushButton_calc_greeks->click();
        const QString shown = d->lineEdit_out_price->text();
        const QDate expiry = d->published().expiry;
        d->lineEdit_lookup_date->setText(expiry.addDays(1).toString("yyyyMMdd"));
        prompter->clear();
        d->pushButton_lookup->click();
        QCOMPARE(prompter->summary(), QStringList({QString("错误:|查表日期 %1 晚于到期日 %2")
                                                        .arg(expiry.addDays(1).toString("yyyy/MM/dd"),
                                                             expiry.toString("yyyy/MM/dd"))}));
        QCOMPARE(d->lineEdit_out_price->text(), shown);
        // The expiry day itself is on the grid.
        prompter->clear();
        d->lineEdit_lookup_date->setText(expiry.toString("yyyyMMdd"));
        d->pushButton_lookup->click();
        QVERIFY(prompter->boxes.isEmpty());
        QVERIFY(d->lineEdit_out_price->text() != "-");

        d->lineEdit_lookup_date->setText("2025xx01");
        d->pushButton_lookup->click();
        QCOMPARE(prompter->summary(), QStringList({"错误:|“今日：”不是有效的日期(yyyyMMdd)：2025xx01"}));
    }

    void reversedDatesRefused()
    {
        auto d = makeDialog();
        const SavedSchedule before = d->published();
        const QString days = d->lineEdit_T->text();
        auto* start = d->editor_observe->findChild<QDateEdit*>("dateEdit_start");
        auto* expiry = d->editor_observe->findChild<QDateEdit*>("dateEdit_expiry");
        const QDate s = start->date();
        expiry->setDate(s.addDays(-30));
        const QString text = QString("观察日参数错误|到期日 %1 应晚于起始日 %2")
                                 .arg(s.addDays(-30).toString("yyyy/MM/dd"), s.toString("yyyy/MM/dd"));
        d->editorSave->click();
        d->editor_observe->findChild<QPushButton*>("pushButton_observe")->click();
        QCOMPARE(prompter->summary(), QStringList({text, text}));
        expiry->setDate(s);  // equal dates are refused as well
        prompter->clear();
        d->editorSave->click();
        QCOMPARE(prompter->boxes.size(), 1);
        // Nothing was published: the window keeps its schedule and maturity.
        QCOMPARE(d->published().dates, before.dates);
        QCOMPARE(d->lineEdit_T->text(), days);
        QVERIFY(d->lineEdit_T->text().toInt() > 0);
    }

    void estimatingDatesPublishesNothing()
    {
        auto d = makeDialog();
        const SavedSchedule saved = d->published();
        d->editor_observe->findChild<QComboBox*>("comboBox_frequency")->setCurrentIndex(0);  // weekly
        d->editor_observe->findChild<QPushButton*>("pushButton_observe")->click();
        QCOMPARE(d->published().dates, saved.dates);
        QCOMPARE(d->fieldTexts().observeDates, saved.dates);
        d->pushButton_price->click();
        QVERIFY(prompter->boxes.isEmpty());
        QCOMPARE(d->pricingEngine().contract.obs_times.size(), size_t(saved.dates.split('_').size()));

        d->editorSave->click();  // now the weekly dates are the terms
        QVERIFY(d->published().dates.split('_').size() > 40);
        QCOMPARE(d->fieldTexts().observeDates, d->published().dates);
    }

    // A grid larger than the default runs on a worker thread; cancelling it
    // leaves the earlier results and the engine as they were.
    void longRunCancelled()
    {
        auto d = makeDialog();
        d->show();
        d->pushButton_price->click();
        d->pushButton_calc_greeks->click();
        QVERIFY(prompter->boxes.isEmpty());
        const QString price = d->lineEdit_price->text();
        const QString greek = d->lineEdit_out_delta->text();
        const double gridValue = d->pricingEngine().Price(2, 2);

        d->lineEdit_M->setText("40000");
        struct Seen { bool dialog = false, buttonsOff = false, cancelled = false; } seen;
        QTimer poll;
        poll.setInterval(20);
        connect(&poll, &QTimer::timeout, [&] {
            auto* progress = d->findChild<QProgressDialog*>("progress_run");
            if (!progress || seen.cancelled)
                return;
            seen.dialog = true;
            seen.buttonsOff = !d->pushButton_price->isEnabled() && !d->pushButton_calc_greeks->isEnabled();
            if (progress->value() > 0) {
                seen.cancelled = true;
                // As the user does it: the dialog's 取消 button.
                auto* cancel = progress->findChild<QPushButton*>();
                QVERIFY(cancel && cancel->text() == "取消");
                cancel->click();
            }
        });
        poll.start();
        QElapsedTimer clock;
        clock.start();
        d->pushButton_calc_greeks->click();
        poll.stop();
        QVERIFY(seen.dialog);
        QVERIFY(seen.buttonsOff);
        QVERIFY(seen.cancelled);
        QVERIFY(prompter->boxes.isEmpty());
        QVERIFY(d->pushButton_price->isEnabled());
        QCOMPARE(d->lineEdit_out_delta->text(), greek);
        QCOMPARE(d->lineEdit_price->text(), price);
        QCOMPARE(d->pricingEngine().params.M, 60);
        QCOMPARE(d->pricingEngine().Price(2, 2), gridValue);

        // The same for a price; one price of M 40000 may end before the
        // dialog shows, so the grid is ten times finer.
        d->lineEdit_M->setText("400000");
        seen = Seen();
        poll.start();
        d->pushButton_price->click();
        poll.stop();
        QVERIFY(seen.cancelled);
        QCOMPARE(d->lineEdit_price->text(), price);
        QCOMPARE(d->pricingEngine().params.M, 60);
    }

    // Dates read the same in every locale, and the schedule's columns fit.
    void locales_data()
    {
        QTest::addColumn<QString>("locale");
        QTest::newRow("zh_CN") << "zh_CN";
        QTest::newRow("C") << "C";
        QTest::newRow("en_US") << "en_US";
    }
    void locales()
    {
        QFETCH(QString, locale);
        QLocale::setDefault(QLocale(locale));
        auto d = makeDialog();
        d->show();
        QVERIFY(QTest::qWaitForWindowExposed(d.get()));
        auto* start = d->editor_observe->findChild<QDateEdit*>("dateEdit_start");
        QCOMPARE(start->text(), start->date().toString("yyyy/MM/dd"));
        auto* table = d->editor_observe->findChild<QTableWidget*>("tableWidget_observe");
        int columns = 0;
        for (int c = 0; c < table->columnCount(); ++c)
            columns += table->columnWidth(c);
        QVERIFY2(columns <= table->viewport()->width(),
                 qPrintable(QString("%1 > %2").arg(columns).arg(table->viewport()->width())));
        QLocale::setDefault(QLocale(QLocale::Chinese, QLocale::China));
    }
};

QTEST_MAIN(TestWindowResults)
#include "TestWindowResults.moc"
