// The calculator window driven as a user would, with the shipped trading
// calendar in the working directory. Prices are checked against an engine
// set up here from the same terms, not against text read back from the window.
#include "Calendar.h"
#include "DialogUnderTest.h"
#include "ObserveSchedule.h"
#include "PanelGreeks_UA.h"
#include "PanelStress.h"
#include "WidgetObserveGlobal.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QFile>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTimer>
#include <QtTest>

#include <cmath>
#include <memory>

namespace {

// Inputs of the defaults, for the reference engine.
constexpr double kS = 100, kSmax = 200, kVol = 0.18, kRate = 0.015, kCoupon = 0.16;
constexpr double kKo = 103, kKi = 80, kYearDays = 243;

// The engine a user's default inputs describe, built from the calendar and
// the editor's published schedule; grid M x (trading days - 1).
Snowball_PDE referenceEngine(const DialogUnderTest& d, int M, double vol = kVol, double coupon = kCoupon,
                             double payoffType = 0)
{
    const int start = dateToInt(d.editor_observe->startDate());
    const int expiry = dateToInt(d.editor_observe->expiryDate());
    const int days = trd_calendar().count_trading_days(start, expiry, 1);
    std::vector<double> times;
    for (const QString& date : d.published().dates.split('_', Qt::SkipEmptyParts))
        times.push_back(year_fraction(trd_calendar(), start, date.toInt(), kYearDays));
    const size_t n = times.size();
    PDEParams p;
    p.S0 = kS;
    p.S_max = kSmax;
    p.sigma = vol;
    p.r = kRate;
    p.q = 0;
    p.T = (days - 1) / kYearDays;
    p.M = M;
    p.N = days - 1;
    SnowballContract c;
    c.obs_times = times;
    c.ko_barrier.assign(n, kKo);
    c.ko_coupon.assign(n, coupon);
    c.ki_barrier.assign(n, kKi);
    c.div_coupon = coupon;
    c.form = payoffType > 0.5 ? PayoffForm::Option : PayoffForm::Note;
    Snowball_PDE engine;
    engine.set_structure(c, p);
    return engine;
}

QString fixed(double v, int digits)
{
    return QString::number(v, 'f', digits);
}

}  // namespace

class TestDialogCalculatorPDE : public QObject, private DialogFixture
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY(!trd_calendar().empty());
        QVERIFY(home.isValid());
        // The structure file goes to the home folder when there is no Documents folder.
        qputenv("HOME", home.path().toUtf8());
        qputenv("XDG_CONFIG_HOME", (home.path() + "/.config").toUtf8());
    }

    void init() { prompter = std::make_unique<RecordingPrompter>(); }
    void cleanup() { prompter.reset(); }

    void constructionState()
    {
        auto d = std::make_unique<DialogUnderTest>();
        QVERIFY(d->windowFlags() & Qt::WindowMaximizeButtonHint);
        QCOMPARE(d->combo_snowball->count(), 6);
        QVERIFY(!d->combo_days->isEnabled());
        QVERIFY(!d->lineEdit_T->isEnabled());
        QVERIFY(!d->pushButton_lookup->isEnabled());
        QVERIFY(!d->pushButton_univariate->isEnabled());
        QVERIFY(!d->pushButton_export_matrix->isEnabled());
        QVERIFY(d->pushButton_price_MC->isHidden());
        QVERIFY(d->pushButton_save_CSV->isHidden());
        QVERIFY(d->group_import_export->isHidden());
        QVERIFY(prompter->boxes.isEmpty());  // no type, category or days slot ran

        // The default fields are what priceGreeksLookup prices against the
        // reference engine; here: they pass both checks as they stand.
        QString error;
        QVERIFY2(d->validateObserveDates(error) && d->validateStructure(error, false), qPrintable(error));
        QCOMPARE(d->lineEdit_lookup_date->text(), QDate::currentDate().toString("yyyyMMdd"));
        QCOMPARE(d->lineEdit_price->text(), QString());

        // Today to a year ahead, both on trading days, monthly after three locked months.
        const QDate start = d->editor_observe->startDate();
        const QDate expiry = d->editor_observe->expiryDate();
        QVERIFY(trd_calendar().is_trading_day(dateToInt(start)));
        QVERIFY(start >= QDate::currentDate() && start < QDate::currentDate().addDays(10));
        QVERIFY(expiry >= QDate::currentDate().addYears(1));
        const QStringList dates = d->published().dates.split('_', Qt::SkipEmptyParts);
        QCOMPARE(dates.size(), 10);
        QCOMPARE(dates.last(), expiry.toString("yyyyMMdd"));
        const int days = trd_calendar().count_trading_days(dateToInt(start), dateToInt(expiry), 1);
        QVERIFY(days > 230 && days < 260);
        QCOMPARE(d->lineEdit_T->text(), QString::number(days));
        QCOMPARE(d->lineEdit_N->text(), QString::number(days - 1));
    }

    void typingAndSwitching()
    {
        auto d = makeDialog();
        d->lineEdit_S->clear();
        QTest::keyClicks(d->lineEdit_S, "95");
        QCOMPARE(d->lineEdit_Smax->text(), QString("190.000"));
        QCOMPARE(d->lineEdit_lookup_S->text(), QString("95"));
        QCOMPARE(d->lineEdit_open_price->text(), QString("95"));
        QCOMPARE(d->lineEdit_range_target->text(), QString("95"));

        d->combo_type->setCurrentIndex(1);  // 期权
        QCOMPARE(d->lineEdit_range_target->text(), QString("0"));
        d->lineEdit_S->clear();
        QTest::keyClicks(d->lineEdit_S, "90");
        QCOMPARE(d->lineEdit_range_target->text(), QString("0"));
        d->combo_type->setCurrentIndex(0);
        QCOMPARE(d->lineEdit_range_target->text(), QString("90"));

        d->lineEdit_floor->setText("70");
        d->combo_snowball->setCurrentIndex(2);  // 保底雪球
        QCOMPARE(d->lineEdit_floor->text(), QString("0"));
        QVERIFY(d->lineEdit_floor->isEnabled());
        QVERIFY(!d->lineEdit_call_strike->isEnabled());
        QVERIFY(!d->lineEdit_participation->isEnabled());

        auto* table = d->editor_observe->findChild<QTableWidget*>("tableWidget_observe");
        QVERIFY(table);
        QVERIFY(table->rowCount() > 1);
        QVERIFY(table->item(1, 1) == nullptr);  // merged: one value for all dates
        d->combo_snowball->setCurrentIndex(4);  // 阶梯型雪球
        QVERIFY(!d->lineEdit_floor->isEnabled());
        QVERIFY(!d->lineEdit_call_strike->isEnabled());
        QVERIFY(!d->lineEdit_participation->isEnabled());
        QVERIFY(table->item(1, 1) != nullptr);  // a value per date
        QCOMPARE(table->item(1, 1)->text(), QString("103"));
        d->combo_snowball->setCurrentIndex(3);  // 参与型雪球
        QVERIFY(!d->lineEdit_floor->isEnabled());
        QVERIFY(d->lineEdit_call_strike->isEnabled());
        QVERIFY(d->lineEdit_participation->isEnabled());
        QVERIFY(prompter->boxes.isEmpty());

        d->combo_days->setCurrentIndex(0);
        QCOMPARE(prompter->summary(), QStringList({"提示：|切换了日期模式，请重新预估观察日."}));
        QCOMPARE(d->lineEdit_T->text(), QString::number(fieldInt(d->lineEdit_N->text()) + 1));

        prompter->clear();
        d->pushButton_snowball->click();
        QCOMPARE(prompter->boxes.size(), 1);  // the category help
        QCOMPARE(prompter->boxes[0].title, QString("雪球类别"));
    }

    void keyboardInTheWindow()
    {
        auto d = makeDialog();
        d->show();
        QVERIFY(QTest::qWaitForWindowExposed(d.get()));
        d->activateWindow();
        d->lineEdit_vol->setFocus();
        // Enter after typing a value runs no button; Escape does not close the calculator.
        QTest::keyClick(d->lineEdit_vol, Qt::Key_Return);
        QTest::keyClick(d->lineEdit_vol, Qt::Key_Escape);
        QVERIFY2(prompter->boxes.isEmpty(), qPrintable(prompter->summary().join("; ")));
        QVERIFY(d->isVisible());
        QCOMPARE(d->lineEdit_price->text(), QString());
        auto* lock = d->editor_observe->findChild<QLineEdit*>("lineEdit_lock");
        QVERIFY(lock);
        lock->setFocus();
        QTest::keyClick(lock, Qt::Key_Return);
        QTest::keyClick(lock, Qt::Key_Escape);
        QVERIFY(prompter->boxes.isEmpty());
        QVERIFY(d->editor_observe->isVisible());
    }

    void editorSaveHandsOverTheSchedule()
    {
        auto d = makeDialog();
        auto* table = d->editor_observe->findChild<QTableWidget*>("tableWidget_observe");
        d->editor_observe->findChild<QPushButton*>("pushButton_divide")->click();
        table->item(0, 1)->setText("105");
        table->item(1, 1)->setText("104");
        d->editorSave->click();
        QVERIFY(prompter->boxes.isEmpty());
        QVERIFY(d->lineEdit_ko->text().startsWith("105_104_103_"));
        QCOMPARE(d->lineEdit_coupon->text().split('_').size(), table->rowCount());
        QCOMPARE(d->lineEdit_T->text(),
                 QString::number(trd_calendar().count_trading_days(dateToInt(d->editor_observe->startDate()),
                                                                   dateToInt(d->editor_observe->expiryDate()), 1)));
    }

    void priceValidationMessagesInOrder()
    {
        auto d = makeDialog();
        const QString start = d->editor_observe->startDate().toString("yyyyMMdd");
        const QString expiry = d->editor_observe->expiryDate().toString("yyyyMMdd");
        const SavedSchedule saved = d->published();
        const QStringList dates = saved.dates.split('_');

        // The order of the checks is the terms' own; here: the window hands
        // over its start and expiry.
        const QStringList schedules = {start + "_" + expiry, dates[0] + "_" + dates[1]};
        for (const QString& s : schedules) {
            SavedSchedule edited = saved;
            edited.dates = s;
            d->publish(edited);
            d->pushButton_price->click();
        }
        d->publish(saved);
        QCOMPARE(prompter->summary(), QStringList({
                                          "观察日参数错误|首次敲出观察日小于起始日",
                                          "观察日参数错误|最后敲出观察日与到期日不符",
                                      }));
        QVERIFY(prompter->boxes[0].parent == d.get());

        prompter->clear();
        const struct { const char* S; const char* ki; const char* ko; } levels[] = {
            {"nan", "80", "103"}, {"100", "nan", "103"}, {"100", "100", "103"},
            {"100", "80", "nan"}, {"100", "80", "99_120"},
        };
        for (const auto& l : levels) {
            d->lineEdit_S->setText(l.S);
            d->lineEdit_ki->setText(l.ki);
            d->lineEdit_ko->setText(l.ko);
            d->pushButton_price->click();
        }
        // A text that spells no finite number is refused by name before the level checks.
        QCOMPARE(prompter->summary(), QStringList({
                                          "结构参数错误|“标的价格”不是有效的数字：nan",
                                          "结构参数错误|“敲入价格”不是有效的数字：nan",
                                          "结构参数错误|敲入价格应小于标的价格",
                                          "结构参数错误|“敲出价格”不是有效的数字：nan",
                                          "结构参数错误|敲出价格应大于标的价格",
                                      }));
        QVERIFY(!d->pricingEngine().initialised);
        QCOMPARE(d->lineEdit_price->text(), QString("-"));
    }

    void greeksBeforePricing()
    {
        auto d = makeDialog();
        d->pushButton_calc_greeks->click();
        QCOMPARE(prompter->summary(), QStringList({"错误:|结构信息未初始化，请先点击【定价】"}));
        QVERIFY(!d->pushButton_lookup->isEnabled());
        QVERIFY(!d->pushButton_univariate->isEnabled());
        QCOMPARE(d->lineEdit_out_price->text(), QString());

        prompter->clear();
        QMetaObject::invokeMethod(d.get(), "on_pushButton_lookup_clicked");
        QCOMPARE(prompter->summary(), QStringList({"错误:|无法查找PDE"}));

        // The panel openers refuse the same way before any pricing.
        prompter->clear();
        d->pushButton_search_100->click();
        QCOMPARE(prompter->summary(), QStringList({"错误:|结构信息未初始化，请先点击【定价】"}));
    }

    void priceGreeksLookup()
    {
        auto d = makeDialog();
        d->pushButton_price->click();
        QVERIFY2(prompter->boxes.isEmpty(), qPrintable(prompter->summary().join("; ")));
        QVERIFY(d->pricingEngine().initialised);
        QCOMPARE(d->label_status->text(), QString("计算已完成"));

        Snowball_PDE ref = referenceEngine(*d, 60);
        const double price = ref.price();
        QVERIFY(price > 90 && price < 115);
        QCOMPARE(d->lineEdit_price->text(), fixed(price, 2));
        d->pushButton_price->click();  // same inputs, same text
        QCOMPARE(d->lineEdit_price->text(), fixed(price, 2));

        d->pushButton_calc_greeks->click();
        QVERIFY(prompter->boxes.isEmpty());
        QVERIFY(d->pushButton_lookup->isEnabled());
        QVERIFY(d->pushButton_univariate->isEnabled());
        QVERIFY(d->pushButton_export_matrix->isEnabled());

        QVERIFY(ref.calculate());
        ref.create_Greeks();
        const int today = QDate::currentDate().toString("yyyyMMdd").toInt();
        const double tau = year_fraction(trd_calendar(), today, dateToInt(d->editor_observe->expiryDate()), kYearDays);
        auto expectOutputs = [&](bool ki, int digits) {
            QCOMPARE(d->lineEdit_out_price->text(), fixed(ref.lookup_price(kS, tau, ki), digits));
            QCOMPARE(d->lineEdit_out_delta->text(), fixed(ref.lookup_delta(kS, tau, ki), digits));
            QCOMPARE(d->lineEdit_out_gamma->text(), fixed(ref.lookup_gamma(kS, tau, ki), digits));
            QCOMPARE(d->lineEdit_out_theta->text(), fixed(ref.lookup_theta(kS, tau, ki) / kYearDays, digits));
            QCOMPARE(d->lineEdit_out_vega->text(), fixed(ref.lookup_vega(kS, tau, ki) * 0.01, digits));
            QCOMPARE(d->lineEdit_out_rho->text(), fixed(ref.lookup_rho(kS, tau, ki) * 0.01, digits));
        };
        expectOutputs(false, 4);
        QCOMPARE(d->lineEdit_out_delta->text().section('.', 1).size(), 4);

        d->checkBox_knocked_in->setChecked(true);
        d->pushButton_lookup->click();
        expectOutputs(true, 4);
        QVERIFY(d->lineEdit_out_price->text() != fixed(ref.lookup_price(kS, tau, false), 4));

        d->lineEdit_digits->setText("2");
        d->pushButton_lookup->click();
        expectOutputs(true, 2);
        QVERIFY(prompter->boxes.isEmpty());
    }

    void greeksRefusalClearsOutputs()
    {
        auto d = makeDialog();
        d->pushButton_price->click();
        d->lineEdit_Smax->setText("50");  // below the spot: refused before any grid run
        d->pushButton_calc_greeks->click();
        QCOMPARE(prompter->summary(), QStringList({"错误:|价格上限应大于标的价格"}));
        QCOMPARE(d->lineEdit_out_price->text(), QString("-"));
        QVERIFY(!d->pushButton_lookup->isEnabled());
        QVERIFY(!d->pushButton_univariate->isEnabled());

        prompter->clear();
        d->lineEdit_Smax->setText("200");
        d->pushButton_calc_greeks->click();
        QVERIFY(prompter->boxes.isEmpty());
        QVERIFY(d->lineEdit_out_price->text().toDouble() > 50);
        d->lineEdit_Smax->setText("50");
        d->pushButton_calc_greeks->click();
        QCOMPARE(prompter->summary(), QStringList({"错误:|价格上限应大于标的价格"}));
        // No number from other terms stays on screen, and the old grid is not looked up.
        for (QLineEdit* out : {d->lineEdit_out_price, d->lineEdit_out_delta, d->lineEdit_out_rho})
            QCOMPARE(out->text(), QString("-"));
        prompter->clear();
        d->pushButton_lookup->click();
        QCOMPARE(prompter->summary(),
                 QStringList({"错误:|条款已修改，网格不再对应当前条款，请先点击【风险指标计算】"}));
    }

    void solveVolatilityAndCoupons()
    {
        auto d = makeDialog();
        // Volatility that gives the price of 22 %.
        const double target = referenceEngine(*d, 60, 0.22).price();
        d->lineEdit_range_target->setText(QString::number(target, 'f', 4));
        d->lineEdit_range_start->setText("0.1");
        d->lineEdit_range_end->setText("0.4");
        d->pushButton_range->click();
        QVERIFY2(prompter->boxes.isEmpty(), qPrintable(prompter->summary().join("; ")));
        QCOMPARE(d->label_status->text(), QString("计算已完成"));
        const double vol = d->lineEdit_vol->text().toDouble();
        QVERIFY2(std::fabs(vol - 22) < 1.0, qPrintable(d->lineEdit_vol->text()));
        QCOMPARE(d->lineEdit_vol->text().section('.', 1).size(), 1);
        QVERIFY(std::fabs(referenceEngine(*d, 60, vol / 100).price() - target) < 0.2);
        QCOMPARE(d->pricingEngine().params.sigma, 0.18);  // the engine keeps the handed-over value

        // Coupons that make the note worth par.
        d->lineEdit_vol->setText("18");
        d->combo_target->setCurrentIndex(1);
        d->lineEdit_range_target->setText("100");
        d->lineEdit_range_start->setText("0");
        d->lineEdit_range_end->setText("0.5");
        d->pushButton_range->click();
        QVERIFY2(prompter->boxes.isEmpty(), qPrintable(prompter->summary().join("; ")));
        const QString coupon = d->lineEdit_coupon->text();
        QCOMPARE(d->lineEdit_div_coupon->text(), coupon);
        QVERIFY(coupon.toDouble() > 0 && coupon.toDouble() < 16);
        d->pushButton_price->click();
        QVERIFY(std::fabs(d->lineEdit_price->text().toDouble() - 100) < 0.5);
        QVERIFY(std::fabs(referenceEngine(*d, 60, kVol, coupon.toDouble() / 100).price() - 100) < 0.5);

        // -4: a target outside the prices at the ends.
        d->lineEdit_range_target->setText("1000");
        d->pushButton_range->click();
        QCOMPARE(prompter->summary(),
                 QStringList({"提示：在指定区间未能找到合适参数|求解区间非单调，或目标不在区间内\n建议通过'知x求1'进行单变量图分析"}));
        QCOMPARE(prompter->boxes[0].icon, prompt::Icon::Information);
        QCOMPARE(d->label_status->text(), QString("计算已完成"));
        QCOMPARE(d->lineEdit_coupon->text(), coupon);

        // -1: negative volatilities are refused by the engine, so no midpoint ever prices.
        prompter->clear();
        d->combo_target->setCurrentIndex(0);
        d->lineEdit_range_start->setText("-1");
        d->lineEdit_range_end->setText("-0.5");
        d->pushButton_range->click();
        QCOMPARE(prompter->summary(),
                 QStringList({"提示：在指定区间未能找到合适参数|未在限定次数内找到解\n建议通过'知x求1'进行单变量图分析"}));
        QCOMPARE(d->label_status->text(), QString("计算已完成"));
        QCOMPARE(d->lineEdit_vol->text(), QString("18"));

        // The range search checks the spot only.
        prompter->clear();
        d->lineEdit_S->setText("nan");
        d->pushButton_range->click();
        QCOMPARE(prompter->summary(), QStringList({"结构参数错误：|无效的标的价格"}));
    }

    void solveStallsWherePriceIsFlat()
    {
        auto d = makeDialog();
        // Far barriers: below about 15 % volatility nothing knocks out or in,
        // so the price is flat there and falls only slowly above it. The
        // bisection's first two midpoints then price alike while the target
        // is still more than the tolerance away.
        d->lineEdit_ko->setText("150");
        d->lineEdit_ki->setText("1");
        Snowball_PDE ref = referenceEngine(*d, 60);
        ref.contract.ko_barrier.assign(ref.contract.ko_barrier.size(), 150);
        ref.contract.ki_barrier.assign(ref.contract.ki_barrier.size(), 1);
        ref.set_param(Param::Sigma, 0);
        const double flat = ref.price();
        ref.set_param(Param::Sigma, 0.21);
        const double low = ref.price();
        ref.set_param(Param::Sigma, 0.1575);  // the second midpoint
        const double second = ref.price();
        // Preconditions of the stall: the target 0.2 of the way up from the low
        // end lies beyond the tolerance from both midpoints, which price alike.
        QVERIFY2(flat - low > 0.08 && flat - second < 0.03,
                 qPrintable(QString("%1 %2 %3").arg(flat).arg(second).arg(low)));
        d->lineEdit_range_start->setText("0");
        d->lineEdit_range_end->setText("0.21");
        d->lineEdit_range_target->setText(QString::number(low + 0.2 * (flat - low), 'f', 6));
        d->pushButton_range->click();
        QCOMPARE(prompter->summary(), QStringList({"未获得有效解|请提高精度(增大PDE中M)再试"}));
        QCOMPARE(prompter->boxes[0].icon, prompt::Icon::Critical);
        QCOMPARE(d->label_status->text(), QString());
        QCOMPARE(d->lineEdit_vol->text(), QString("18"));
    }

    void openersAndWriteBack()
    {
        auto d = makeDialog();
        d->pushButton_price->click();

        d->pushButton_stress_test->click();
        PanelStress* panel = d->stressPanel();
        QVERIFY(panel);
        QVERIFY(panel->isVisible());
        QVERIFY(panel->engine.initialised);
        QCOMPARE(panel->engine.params.S0, 100.0);
        QCOMPARE(panel->engine.contract.obs_times, d->pricingEngine().contract.obs_times);
        d->lineEdit_S->setText("95");
        d->pushButton_price->click();
        d->pushButton_stress_test->click();
        QCOMPARE(d->stressPanel(), panel);  // one panel, refreshed
        QCOMPARE(panel->engine.params.S0, 95.0);
        panel->close();

        // "知x求1" opens the modal univariate panel with the range and spot.
        d->lineEdit_range_start->setText("-0.5");
        d->lineEdit_range_end->setText("0.6");
        struct Seen { bool found = false; int index = -1; QString start, end, step, target; double S0 = 0; } seen;
        QTimer::singleShot(0, [&seen] {
            if (auto* ua = qobject_cast<PanelGreeks_UA*>(QApplication::activeModalWidget())) {
                seen.found = true;
                seen.index = ua->comboBox_param->currentIndex();
                seen.start = ua->lineEdit_start->text();
                seen.end = ua->lineEdit_end->text();
                seen.step = ua->lineEdit_step->text();
                seen.target = ua->lineEdit_target->text();
                seen.S0 = ua->engine.params.S0;
                ua->reject();
            }
        });
        d->pushButton_search_100->click();
        QVERIFY(seen.found);
        QCOMPARE(seen.index, 3);
        QCOMPARE(seen.start, QString("0"));
        QCOMPARE(seen.end, QString("0.6"));
        QCOMPARE(seen.step, QString("0.05"));
        QCOMPARE(seen.target, QString("95"));
        QCOMPARE(seen.S0, 95.0);
        QVERIFY(prompter->boxes.isEmpty());

        ParamTarget* target = d.get();
        target->applyParamValue(Param::KiBarrier, 85);
        QCOMPARE(d->lineEdit_ki->text(), QString("85"));
        target->applyParamValue(Param::Sigma, 25);
        QCOMPARE(d->lineEdit_vol->text(), QString("25"));
        target->applyParamValue(Param::CouponAndDiv, 10);
        QCOMPARE(d->lineEdit_coupon->text(), QString("10"));
        QCOMPARE(d->lineEdit_div_coupon->text(), QString("10"));
        target->applyParamValue(Param::KoBarrier, 104.5);
        QCOMPARE(d->lineEdit_ko->text(), QString("104.5"));
    }

    void hiddenMatrixExportAndUpdate()
    {
        auto d = makeDialog();
        d->pushButton_export_matrix->click();  // disabled before any Greeks: nothing happens
        QVERIFY(prompter->fileDialogs.isEmpty());

        d->pushButton_price->click();
        d->pushButton_calc_greeks->click();
        const QString chosen = home.path() + "/grids.csv";
        prompter->fileAnswers << chosen;
        d->pushButton_export_matrix->click();
        QCOMPARE(prompter->fileDialogs.size(), 1);
        QCOMPARE(prompter->fileDialogs[0].caption, QString("保存PDE矩阵"));
        QCOMPARE(prompter->fileDialogs[0].filter, QString("csv files (*.csv)"));
        QCOMPARE(prompter->fileDialogs[0].dir, home.path() + "/data");
        QFile grids(chosen);
        QVERIFY(grids.open(QIODevice::ReadOnly));
        QVERIFY(grids.readAll().contains("MATRIX:"));

        // Cancelled: nothing is written anywhere.
        const QString fallback = home.path() + "/AutoCall01.csv";
        QFile::remove(fallback);
        const qint64 before = QFileInfo(chosen).size();
        d->pushButton_export_matrix->click();
        QVERIFY(!QFile::exists(fallback));
        QCOMPARE(QFileInfo(chosen).size(), before);
        QVERIFY(prompter->boxes.isEmpty());

        // A file that cannot be written is reported as the structure save reports it.
        prompter->fileAnswers << home.path() + "/no/such/folder/grids.csv";
        d->pushButton_export_matrix->click();
        QCOMPARE(prompter->boxes.size(), 1);
        QCOMPARE(prompter->boxes[0].icon, prompt::Icon::Warning);
        QVERIFY(prompter->boxes[0].text.startsWith("无法写入文件"));
        prompter->clear();

        d->lineEdit_struct_id->setText("SB-7");
        d->pushButton_update->click();
        QCOMPARE(prompter->summary(), QStringList({"错误：|未保存矩阵：SB-7"}));
    }

    void hiddenMonteCarloCrossCheck()
    {
        auto d = makeDialog();
        d->pushButton_price->click();
        const double pde = d->lineEdit_price->text().toDouble();
        d->pushButton_price_MC->click();
        // Percent of the notional; the spot is the notional, so it meets the
        // grid price within the sampling and grid errors.
        const double mc = d->lineEdit_lookup_S->text().toDouble();
        QVERIFY2(std::fabs(mc - pde) < 1.5, qPrintable(QString("mc %1 pde %2").arg(mc).arg(pde)));
        QVERIFY(prompter->boxes.isEmpty());
    }

    void hiddenStructureSave()
    {
        auto d = makeDialog();
        const QString path = home.path() + "/autocall.csv";
        QFile::remove(path);
        d->pushButton_save_CSV->click();
        d->pushButton_save_CSV->click();
        QVERIFY(prompter->boxes.isEmpty());
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly | QIODevice::Text));
        const QStringList lines = QString::fromLatin1(file.readAll()).split('\n', Qt::SkipEmptyParts);
        file.close();
        QCOMPARE(lines.size(), 4);
        QVERIFY(lines[0].startsWith("iNO,lEnquiryID,5ProductName,"));
        QCOMPARE(lines[2], lines[0]);
        const QString start = d->editor_observe->startDate().toString("yyyyMMdd");
        const QString expiry = d->editor_observe->expiryDate().toString("yyyyMMdd");
        QCOMPARE(lines[1], "0,0,,,AC,510050,1000000.000000,100.000000,103.000000,80.000000,16.000000,16.000000,"
                           "0.000000,0.000000,0.000000,0.000000,0," + start + "," + expiry + ",18.000000," +
                               d->published().dates);
        QCOMPARE(lines[3], lines[1]);

        // A schedule longer than the column is refused, not cut.
        const SavedSchedule saved = d->published();
        SavedSchedule tooLong = saved;
        tooLong.dates = QStringList(QVector<QString>(57, start).toList()).join('_');
        QVERIFY(tooLong.dates.size() > 511);
        d->publish(tooLong);
        d->pushButton_save_CSV->click();
        d->publish(saved);
        QCOMPARE(prompter->boxes.size(), 1);
        QCOMPARE(prompter->boxes[0].icon, prompt::Icon::Warning);
        QVERIFY(file.open(QIODevice::ReadOnly | QIODevice::Text));
        QCOMPARE(QString::fromLatin1(file.readAll()).split('\n', Qt::SkipEmptyParts).size(), 4);
    }
};

QTEST_MAIN(TestDialogCalculatorPDE)
#include "TestDialogCalculatorPDE.moc"
