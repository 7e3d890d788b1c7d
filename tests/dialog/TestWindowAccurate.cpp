// The window in accurate mode: the 高精度 check box and the 误差估计 field,
// price, Greeks and lookups, the interval solve, the panels' engines and the
// reference Monte Carlo all on the accurate pricer when ticked, and the
// design's results unchanged when not.
#include "Calendar.h"
#include "DialogUnderTest.h"
#include "ObserveSchedule.h"
#include "PanelStress.h"

#include <QtTest>

#include <cmath>
#include <memory>

class TestWindowAccurate : public QObject, private DialogFixture
{
    Q_OBJECT

private:
    static QCheckBox* accurateBox(DialogUnderTest& d) { return d.child<QCheckBox>("checkBox_accurate"); }
    static QLineEdit* errorField(DialogUnderTest& d) { return d.child<QLineEdit>("lineEdit_error"); }
    static bool isStale(const QLineEdit* f) { return f->property("stale").toBool(); }

    // The accurate solve of what the window handed over, independently of the window.
    static AccurateSolution accurateOf(const Snowball_PDE& e)
    {
        return solve_accurate(e.contract, e.params, e.year_days);
    }

private slots:
    void initTestCase() { QVERIFY(!trd_calendar().empty()); }
    void init() { prompter = std::make_unique<RecordingPrompter>(); }
    void cleanup() { prompter.reset(); }

    void checkBoxAndErrorField()
    {
        auto d = makeDialog();
        QCheckBox* box = accurateBox(*d);
        QVERIFY(!box->isChecked());
        QVERIFY(errorField(*d)->isReadOnly());
        QVERIFY(errorField(*d)->text().isEmpty());
    }

    void priceWithErrorEstimate()
    {
        auto d = makeDialog();
        d->pushButton_price->click();
        const QString design = d->lineEdit_price->text();
        QVERIFY(errorField(*d)->text().isEmpty());
        QCOMPARE(d->pricingEngine().method, PricingMethod::DesignGrid);

        accurateBox(*d)->setChecked(true);
        QVERIFY(isStale(d->lineEdit_price));  // a term like any other
        d->pushButton_price->click();
        QVERIFY(prompter->boxes.isEmpty());
        const Snowball_PDE& e = d->pricingEngine();
        QCOMPARE(e.method, PricingMethod::Accurate);
        QCOMPARE(e.year_days, 243);
        const AccurateSolution s = accurateOf(e);
        QVERIFY(s.ok());
        QCOMPARE(d->lineEdit_price->text(), QString::number(s.value(e.params.S0, false), 'f', 2));
        // Digits field 4: four decimals; the estimate is a few thousandths at most.
        QCOMPARE(errorField(*d)->text(), "±" + QString::number(s.error_estimate(e.params.S0, false), 'f', 4));
        QVERIFY(!isStale(errorField(*d)));
        d->lineEdit_digits->setText("2");
        d->pushButton_price->click();
        QCOMPARE(errorField(*d)->text(), "±" + QString::number(s.error_estimate(e.params.S0, false), 'f', 3));

        // Unticked again: the design's price, and no estimate.
        accurateBox(*d)->setChecked(false);
        QVERIFY(isStale(errorField(*d)));
        d->pushButton_price->click();
        QCOMPARE(d->lineEdit_price->text(), design);
        QVERIFY(errorField(*d)->text().isEmpty());
    }

    void greeksAndLookupAtALaterDate()
    {
        auto d = makeDialog();
        accurateBox(*d)->setChecked(true);
        d->pushButton_price->click();
        const SavedSchedule schedule = d->published();
        // Today is the start date: the Greeks at inception.
        d->lineEdit_lookup_date->setText(schedule.start.toString("yyyyMMdd"));
        d->lineEdit_lookup_S->setText("100");
        d->pushButton_calc_greeks->click();
        QVERIFY2(prompter->boxes.isEmpty(), qPrintable(prompter->summary().join(";")));
        QVERIFY(d->gridCurrent());
        const Snowball_PDE& e = d->pricingEngine();
        QCOMPARE(e.method, PricingMethod::Accurate);
        const GreeksValuation today = greeks_accurate(e.contract, e.params, 243, 100.0, false);
        QCOMPARE(d->lineEdit_out_price->text(), QString::number(today.price, 'f', 4));
        QCOMPARE(d->lineEdit_out_delta->text(), QString::number(today.delta, 'f', 4));
        QCOMPARE(d->lineEdit_out_theta->text(), QString::number(today.theta / 243.0, 'f', 4));
        QCOMPARE(d->lineEdit_out_vega->text(), QString::number(today.vega * 0.01, 'f', 4));
        QVERIFY(d->lineEdit_out_price->toolTip().contains("±"));

        // Sixty trading days on, at 95, knocked in.
        const QDate later = QDate::fromString(
            QString::number(trd_calendar().trading_day_after(dateToInt(schedule.start), 60)), "yyyyMMdd");
        QVERIFY(later.isValid());
        d->lineEdit_lookup_date->setText(later.toString("yyyyMMdd"));
        d->lineEdit_lookup_S->setText("95");
        d->checkBox_knocked_in->setChecked(true);
        d->pushButton_lookup->click();
        QVERIFY(prompter->boxes.isEmpty());
        const double tau = year_fraction(trd_calendar(), dateToInt(later), dateToInt(schedule.expiry), 243.0);
        QVERIFY(std::fabs(e.params.T - tau - 60.0 / 243.0) < 1e-9);
        const GreeksValuation g =
            greeks_accurate_at(e.contract, e.params, 243, 95.0, e.params.T - tau, true);
        QCOMPARE(d->lineEdit_out_price->text(), QString::number(g.price, 'f', 4));
        QCOMPARE(d->lineEdit_out_gamma->text(), QString::number(g.gamma, 'f', 4));
        QCOMPARE(d->lineEdit_out_rho->text(), QString::number(g.rho * 0.01, 'f', 4));

        // The expiry day has nothing left to solve: refused with the reason.
        d->lineEdit_lookup_date->setText(schedule.expiry.toString("yyyyMMdd"));
        d->pushButton_lookup->click();
        QCOMPARE(prompter->boxes.size(), 1);
        QVERIFY(prompter->summary().first().startsWith("错误:|无法查找："));
        QCOMPARE(d->lineEdit_out_price->text(), QString("-"));
    }

    void intervalSolveOnAccuratePrices()
    {
        auto d = makeDialog();
        accurateBox(*d)->setChecked(true);
        d->lineEdit_vol->setText("25");
        d->pushButton_price->click();
        Snowball_PDE at25 = d->pricingEngine();
        const double target = at25.price();
        d->lineEdit_vol->setText("18");
        d->combo_target->setCurrentIndex(0);
        d->lineEdit_range_start->setText("0.1");
        d->lineEdit_range_end->setText("0.4");
        d->lineEdit_range_target->setText(QString::number(target, 'f', 6));
        d->pushButton_range->click();
        QVERIFY2(prompter->boxes.isEmpty(), qPrintable(prompter->summary().join(";")));
        QCOMPARE(d->pricingEngine().method, PricingMethod::Accurate);
        QVERIFY(std::fabs(d->lineEdit_vol->text().toDouble() - 25.0) <= 0.5);
    }

    void panelsReceiveTheMode()
    {
        auto d = makeDialog();
        accurateBox(*d)->setChecked(true);
        d->pushButton_price->click();
        d->pushButton_stress_test->click();
        QVERIFY(d->stressPanel());
        QCOMPARE(d->stressPanel()->engine.method, PricingMethod::Accurate);
        QCOMPARE(d->stressPanel()->engine.year_days, 243);
        d->stressPanel()->close();
    }

    void referenceMonteCarloWhenTicked()
    {
        auto d = makeDialog();
        accurateBox(*d)->setChecked(true);
        d->pushButton_price->click();
        const double accurate = d->lineEdit_price->text().toDouble();
        const QString lookupS = d->lineEdit_lookup_S->text();
        d->pushButton_price_MC->click();
        QVERIFY2(prompter->boxes.isEmpty(), qPrintable(prompter->summary().join(";")));
        const QString error = errorField(*d)->text();
        QVERIFY(error.startsWith("±"));
        const double se = error.mid(1).toDouble();
        QVERIFY(se > 0.0 && se < 0.05);
        // The same contract: within four standard errors and the rounding of two decimals.
        QVERIFY(std::fabs(d->lineEdit_price->text().toDouble() - accurate) < 4.0 * se + 0.011);
        QCOMPARE(d->lineEdit_lookup_S->text(), lookupS);  // the design's MC writes there, this one does not
    }
};

QTEST_MAIN(TestWindowAccurate)
#include "TestWindowAccurate.moc"
