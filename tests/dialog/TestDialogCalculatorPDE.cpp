// The calculator window driven as a user would, with the shipped trading
// calendar: what the fields hand to the engine, what the window shows of the
// answers, which results go stale, the panels it opens, and runs that hold
// the window off or are cancelled. What the actions compute is the
// controller's test.
#include "Calendar.h"
#include "DialogUnderTest.h"
#include "MatrixText.h"
#include "NumberText.h"
#include "ObserveSchedule.h"
#include "PanelGreeks_UA.h"
#include "PanelProbability.h"
#include "PanelStress.h"
#include "WidgetTexts.h"

#include <QApplication>
#include <QDateEdit>
#include <QProgressDialog>
#include <QTableWidget>
#include <QTimer>
#include <QtTest>

#include <cmath>
#include <memory>

namespace {

bool isStale(const QLineEdit* f) { return f->property("stale").toBool() && !f->toolTip().isEmpty(); }

}  // namespace

class TestDialogCalculatorPDE : public QObject, private DialogFixture
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY(!trd_calendar().empty());
        QVERIFY(home.isValid());
        // Exports go to the home folder when there is no Documents folder.
        qputenv("HOME", home.path().toUtf8());
        qputenv("XDG_CONFIG_HOME", (home.path() + "/.config").toUtf8());
    }
    void init() { prompter = std::make_unique<RecordingPrompter>(); }
    void cleanup() { prompter.reset(); }

    // Every field reaches the request it belongs in, and the outputs show
    // the engine's answers to that request.
    void fieldsReachTheEngine_data()
    {
        QTest::addColumn<bool>("accurate");
        QTest::newRow("design grid") << false;
        QTest::newRow("高精度") << true;
    }
    void fieldsReachTheEngine()
    {
        QFETCH(bool, accurate);
        auto d = makeDialog();
        const struct { const char* name; const char* text; } fields[] = {
            {"lineEdit_S", "98"},        {"lineEdit_Smax", "210"},  {"lineEdit_vol", "21"},
            {"lineEdit_rate", "2"},      {"lineEdit_q", "0.5"},     {"lineEdit_ko", "104"},
            {"lineEdit_coupon", "15"},   {"lineEdit_ki", "79"},     {"lineEdit_div_coupon", "14"},
            {"lineEdit_floor", "60"},    {"lineEdit_call_strike", "105"}, {"lineEdit_participation", "0.5"},
            {"lineEdit_year_days", "250"},
        };
        for (const auto& f : fields)
            d->set(f.name, f.text);
        d->combo("combo_type")->setCurrentIndex(1);
        d->box("checkBox_accurate")->setChecked(accurate);
        d->click("pushButton_price");
        QVERIFY2(prompter->boxes.isEmpty(), qPrintable(prompter->summary().join("; ")));

        const SavedSchedule s = d->published();
        const int days = trd_calendar().count_trading_days(dateToInt(s.start), dateToInt(s.expiry), 1);
        const PricingRequest& r = *d->controller().handedRequest();
        QCOMPARE(r.method, accurate ? PricingMethod::Accurate : PricingMethod::DesignGrid);
        QCOMPARE(r.contract.form, PayoffForm::Option);
        QCOMPARE(r.year_days, 250);
        const PDEParams& m = r.model;
        QCOMPARE(QList<double>({m.S0, m.S_max, m.sigma, m.r, m.q, m.T, double(m.M), double(m.N)}),
                 QList<double>({98, 210, 0.21, 0.02, 0.005, (days - 1) / 250.0, 60, double(days - 1)}));
        const SnowballContract& c = r.contract;
        QCOMPARE(QList<double>({c.ko_barrier.back(), c.ko_coupon.back(), c.ki_barrier.back(), c.div_coupon,
                                c.floor_price, c.call_strike, c.call_participation}),
                 QList<double>({104, 0.15, 79, 0.14, 60, 105, 0.5}));
        QCOMPARE(c.obs_times.size(), size_t(s.dates.count('_') + 1));
        QCOMPARE(c.obs_times.back(), year_fraction(trd_calendar(), dateToInt(s.start), dateToInt(s.expiry), 250));

        const Valuation v = price(r);
        QCOMPARE(d->text("lineEdit_price"), QString::number(v.value, 'f', 2));
        QCOMPARE(d->text("lineEdit_error").isEmpty(), !accurate);

        d->click("pushButton_calc_greeks");
        QVERIFY2(prompter->boxes.isEmpty(), qPrintable(prompter->summary().join("; ")));
        const GreekSheet sheet = GreekSheet::compute(r);
        const double tau = year_fraction(trd_calendar(), dateToInt(QDate::currentDate()), dateToInt(s.expiry), 250);
        QCOMPARE(d->text("lineEdit_out_price"), fixedText(sheet.at({98, tau, false}).price, 4));
        QVERIFY(d->button("pushButton_lookup")->isEnabled() && d->button("pushButton_univariate")->isEnabled());
        QCOMPARE(d->button("pushButton_export_matrix")->isEnabled(), !accurate);  // grids to export or not

        // 查表 reads its own fields: spot, date, knocked in, digits.
        const QDate later = s.start.addDays(40);
        d->set("lineEdit_lookup_S", "90");
        d->set("lineEdit_lookup_date", later.toString("yyyyMMdd"));
        d->box("checkBox_knocked_in")->setChecked(true);
        d->set("lineEdit_digits", "5");
        d->click("pushButton_lookup");
        const double left = year_fraction(trd_calendar(), dateToInt(later), dateToInt(s.expiry), 250);
        const GreeksValuation g = sheet.at({90, left, true});
        QCOMPARE(QStringList({d->text("lineEdit_out_price"), d->text("lineEdit_out_theta")}),
                 QStringList({fixedText(g.price, 5), fixedText(g.theta / 250, 5)}));
    }

    // 区间求解 reads its interval and target and writes the solution where it belongs.
    void rangeSolveWritesTheTerm()
    {
        auto d = makeDialog();
        d->click("pushButton_price");
        PricingRequest at22 = *d->controller().handedRequest();
        at22.model.sigma = 0.22;
        d->set("lineEdit_range_target", QString::number(price(at22).value, 'f', 4));
        d->set("lineEdit_range_start", "0.1");
        d->set("lineEdit_range_end", "0.4");
        d->click("pushButton_range");
        QVERIFY2(std::fabs(d->text("lineEdit_vol").toDouble() - 22) < 1.0, qPrintable(d->text("lineEdit_vol")));
        d->combo("combo_target")->setCurrentIndex(1);
        d->set("lineEdit_range_target", "100");
        d->set("lineEdit_range_start", "0");
        d->set("lineEdit_range_end", "0.5");
        d->click("pushButton_range");
        QVERIFY2(prompter->boxes.isEmpty(), qPrintable(prompter->summary().join("; ")));
        QCOMPARE(d->text("lineEdit_div_coupon"), d->text("lineEdit_coupon"));
        QCOMPARE(child<QLabel>(d.get(), "label_status")->text(), QString("计算已完成"));
    }

    // Part of the terms follow the spot and the type as they are typed.
    void dependentFieldsFollow()
    {
        auto d = makeDialog();
        d->edit("lineEdit_S")->clear();
        QTest::keyClicks(d->edit("lineEdit_S"), "95");
        QCOMPARE(QStringList({d->text("lineEdit_Smax"), d->text("lineEdit_lookup_S"), d->text("lineEdit_open_price"),
                              d->text("lineEdit_range_target")}),
                 QStringList({"190.000", "95", "95", "95"}));
        d->combo("combo_type")->setCurrentIndex(1);  // 期权: the target is the option's 0
        QCOMPARE(d->text("lineEdit_range_target"), QString("0"));
        d->set("lineEdit_S", "90");
        QCOMPARE(d->text("lineEdit_range_target"), QString("0"));
        d->combo("combo_type")->setCurrentIndex(0);
        QCOMPARE(d->text("lineEdit_range_target"), QString("90"));
        d->combo("combo_days")->setCurrentIndex(0);
        QCOMPARE(prompter->summary(), QStringList({"提示：|切换了日期模式，请重新预估观察日."}));
    }

    // Each category enables its extension fields (cleared to 0) and sets the
    // editor's value mode: merged (one value) or a value per date.
    void categoriesSetTheFields_data()
    {
        QTest::addColumn<int>("index");
        QTest::addColumn<QString>("enabled");  // floor, strike, participation as 0/1
        QTest::addColumn<bool>("perDate");
        QTest::newRow("自定义") << 0 << "111" << false;
        QTest::newRow("经典雪球") << 1 << "000" << false;
        QTest::newRow("保底雪球") << 2 << "100" << false;
        QTest::newRow("参与型雪球") << 3 << "011" << false;
        QTest::newRow("阶梯型雪球") << 4 << "000" << true;
        QTest::newRow("双降型雪球") << 5 << "000" << true;
    }
    void categoriesSetTheFields()
    {
        QFETCH(int, index);
        QFETCH(QString, enabled);
        QFETCH(bool, perDate);
        auto d = makeDialog();
        d->combo("combo_snowball")->setCurrentIndex(5 - index);  // a change from elsewhere first
        d->set("lineEdit_floor", "70");
        d->combo("combo_snowball")->setCurrentIndex(index);
        QString shown;
        for (const char* name : {"lineEdit_floor", "lineEdit_call_strike", "lineEdit_participation"}) {
            shown += d->edit(name)->isEnabled() ? '1' : '0';
            QCOMPARE(d->text(name), QString("0"));
        }
        QCOMPARE(shown, enabled);
        auto* table = child<QTableWidget>(d->observeEditor(), "tableWidget_observe");
        QCOMPARE(table->item(1, 1) != nullptr, perDate);
        QVERIFY(prompter->boxes.isEmpty());
    }

    void resultsGoStaleWhenTermsChange()
    {
        auto d = makeDialog();
        d->click("pushButton_price");
        d->click("pushButton_calc_greeks");
        QLineEdit* price = d->edit("lineEdit_price");
        QLineEdit* delta = d->edit("lineEdit_out_delta");
        QVERIFY(!isStale(price) && !isStale(delta));

        const QString shown = price->text();
        d->set("lineEdit_vol", "25");
        QVERIFY(isStale(price) && isStale(delta));
        QCOMPARE(price->text(), shown);  // kept, but marked
        d->click("pushButton_price");
        QVERIFY(!isStale(price));
        QVERIFY(isStale(delta));  // the Greeks still need their run
        d->click("pushButton_calc_greeks");
        QVERIFY(!isStale(delta));

        // A lookup input marks the lookup outputs only.
        d->set("lineEdit_lookup_S", "95");
        QVERIFY(isStale(delta) && !isStale(price));
        d->click("pushButton_lookup");
        QVERIFY(!isStale(delta));

        // A saved schedule is a term too; refused results show "-", not stale.
        child<QPushButton>(d->observeEditor(), "pushButton_save")->click();
        QVERIFY(isStale(price));
        d->set("lineEdit_M", "2");
        d->click("pushButton_price");
        d->click("pushButton_calc_greeks");
        QCOMPARE(prompter->summary(), QStringList({"结构参数错误|M应不小于3", "错误:|M应不小于3"}));
        QCOMPARE(QStringList({price->text(), delta->text()}), QStringList({"-", "-"}));
        QVERIFY(!isStale(price) && !isStale(delta));
    }

    // The panels receive the terms handed over and follow the rule of the
    // window: results for terms no longer on screen are neither computed
    // nor exported until 定价 again.
    void panelsFollowThePricedTerms()
    {
        auto d = makeDialog();
        d->click("pushButton_probability");
        d->click("pushButton_search_100");
        const QString notInitialised = "错误:|结构信息未初始化，请先点击【定价】";
        QCOMPARE(prompter->summary(), QStringList({notInitialised, notInitialised}));
        prompter->clear();

        d->click("pushButton_price");
        d->click("pushButton_stress_test");
        PanelStress* stress = d->stressPanel();
        QVERIFY(stress->isVisible());
        child<QPushButton>(stress, "pushButton_calc")->click();
        auto* tv = child<QTableWidget>(stress, "table_tv");
        d->click("pushButton_probability");
        PanelProbability* probability = d->probabilityPanel();
        QVERIFY(prompter->boxes.isEmpty());

        d->set("lineEdit_ko", "110");
        child<QPushButton>(stress, "pushButton_calc")->click();
        child<QPushButton>(stress, "pushButton_data")->click();
        d->click("pushButton_probability");
        QCOMPARE(prompter->summary(),
                 QStringList({"错误:|条款已修改，结构信息不再对应当前条款，请先点击【定价】",
                              "错误:|条款已修改：此结果不再对应当前条款，请重新点击【定价】和【计算】",
                              "错误:|条款已修改，结构信息不再对应当前条款，请先点击【定价】"}));
        QVERIFY(probability->isStale());

        // Priced again: the stress panel computes the new terms.
        prompter->clear();
        const QString before = tv->item(5, 4)->text();
        d->click("pushButton_price");
        child<QPushButton>(stress, "pushButton_calc")->click();
        QVERIFY(prompter->boxes.isEmpty());
        QVERIFY(tv->item(5, 4)->text() != before);
        stress->close();
        probability->close();

        // 知x求1 opens the scan on the terms on screen; 单变量-价格图 after a
        // change of terms opens it stale. "使用" writes back into the fields.
        struct Seen { QString start, end, target, status; } seen;
        auto look = [&seen] {
            auto* ua = qobject_cast<PanelGreeks_UA*>(QApplication::activeModalWidget());
            QVERIFY(ua);
            seen = {child<QLineEdit>(ua, "lineEdit_start")->text(), child<QLineEdit>(ua, "lineEdit_end")->text(),
                    child<QLineEdit>(ua, "lineEdit_target")->text(), child<QLabel>(ua, "label_status")->text()};
            ua->reject();
        };
        d->set("lineEdit_range_start", "-0.5");
        d->set("lineEdit_range_end", "0.6");
        QTimer::singleShot(0, look);
        d->click("pushButton_search_100");
        QCOMPARE(QStringList({seen.start, seen.end, seen.target, seen.status}), QStringList({"0", "0.6", "100", ""}));
        d->click("pushButton_calc_greeks");
        d->set("lineEdit_vol", "19");
        QTimer::singleShot(0, look);
        d->click("pushButton_univariate");
        QCOMPARE(seen.status, QString("条款已修改，结构信息不再对应当前条款，请先点击【定价】"));

        ParamTarget* target = d.get();
        target->applyParamValue(Param::Sigma, 25);
        target->applyParamValue(Param::CouponAndDiv, 10);
        QCOMPARE(QStringList({d->text("lineEdit_vol"), d->text("lineEdit_coupon"), d->text("lineEdit_div_coupon")}),
                 QStringList({"25", "10", "10"}));
    }

    // A long run can be cancelled: what was shown, and what the controller
    // holds, stays; the buttons come back.
    void cancelKeepsWhatWasShown()
    {
        auto d = makeDialog();
        d->show();
        d->click("pushButton_price");
        d->click("pushButton_calc_greeks");
        const QString price = d->text("lineEdit_price"), greek = d->text("lineEdit_out_delta");

        // One price of M 40000 may end before the dialog shows: the price runs ten times finer.
        for (const auto& [action, M] : {std::pair<const char*, const char*>{"pushButton_calc_greeks", "40000"},
                                        {"pushButton_price", "400000"}}) {
            d->set("lineEdit_M", M);
            bool buttonsOff = false, cancelled = false;
            QTimer poll;
            connect(&poll, &QTimer::timeout, [&] {
                auto* progress = d->findChild<QProgressDialog*>("progress_run");
                if (!progress || progress->value() <= 0 || cancelled)
                    return;
                buttonsOff = !d->button("pushButton_price")->isEnabled();
                cancelled = true;
                progress->findChild<QPushButton*>()->click();  // 取消, as the user does it
            });
            poll.start(20);
            d->click(action);
            poll.stop();
            QVERIFY(buttonsOff && cancelled);
            QVERIFY(prompter->boxes.isEmpty());
            QVERIFY(d->button("pushButton_price")->isEnabled());
            d->set("lineEdit_M", "60");
            QCOMPARE(d->text("lineEdit_out_delta"), greek);
            QCOMPARE(d->text("lineEdit_price"), price);
            QCOMPARE(d->controller().handedRequest()->model.M, 60);
        }
    }

    void editorHandsOverTheSchedule()
    {
        auto d = makeDialog();
        WidgetObserveGlobal* editor = d->observeEditor();
        auto* table = child<QTableWidget>(editor, "tableWidget_observe");
        const SavedSchedule saved = d->published();

        // Generating dates publishes nothing; the window prices what was saved.
        child<QComboBox>(editor, "comboBox_frequency")->setCurrentIndex(0);  // weekly
        child<QPushButton>(editor, "pushButton_observe")->click();
        QCOMPARE(d->published().dates, saved.dates);
        // Weekly dates across a long holiday may be merged, which the editor says.
        QCOMPARE(prompter->summary().filter(QRegExp("^提示\\|观察日.*已合并为一个观察日")).size(), prompter->boxes.size());
        prompter->clear();

        child<QPushButton>(editor, "pushButton_divide")->click();
        table->item(0, 1)->setText("105");
        table->item(1, 1)->setText("104");
        child<QPushButton>(editor, "pushButton_save")->click();
        QVERIFY(d->text("lineEdit_ko").startsWith("105_104_103_"));
        QVERIFY(d->published().dates.split('_').size() > 40);
        QCOMPARE(d->text("lineEdit_T"), QString::number(trd_calendar().count_trading_days(
                                            dateToInt(d->published().start), dateToInt(d->published().expiry), 1)));

        // Dates out of order are refused by the editor: nothing is published.
        auto* expiry = child<QDateEdit>(editor, "dateEdit_expiry");
        expiry->setDate(child<QDateEdit>(editor, "dateEdit_start")->date().addDays(-30));
        const SavedSchedule before = d->published();
        child<QPushButton>(editor, "pushButton_save")->click();
        QCOMPARE(prompter->boxes.size(), 1);
        QCOMPARE(d->published().dates, before.dates);

        // The years the calendar only estimates are named beside 到期天数.
        SavedSchedule s = d->published();
        s.start = QDate(2026, 12, 1);
        s.expiry = QDate(2029, 6, 29);
        d->publish(s);
        auto* estimated = child<QLabel>(d.get(), "label_estimated");
        QVERIFY(estimated->isVisibleTo(d.get()));
        QCOMPARE(estimated->toolTip(), d->controller().estimatedYearsTip(s.start, s.expiry));
    }

    // The hidden and file actions write what the controller gives.
    void filesAndHiddenActions()
    {
        auto d = makeDialog();
        d->click("pushButton_price");
        d->click("pushButton_calc_greeks");
        Notice none;
        const QByteArray blocks = QByteArray::fromStdString(*d->controller().matrices(none));
        QVERIFY(blocks.startsWith("MATRIX:Price"));
        const QString path = home.filePath("grids.csv");
        prompter->fileAnswers << path << path;
        d->click("pushButton_export_matrix");
        d->click("pushButton_export_matrix");
        d->click("pushButton_export_matrix");  // cancelled: nothing written
        QCOMPARE(readAll(path), blocks + blocks);
        QCOMPARE(prompter->fileDialogs[0].dir, home.path() + "/data");
        prompter->fileAnswers << home.filePath("no/such/folder/grids.csv");
        d->click("pushButton_export_matrix");
        QCOMPARE(prompter->boxes.size(), 1);
        QCOMPARE(prompter->boxes[0].icon, prompt::Icon::Warning);
        QVERIFY(prompter->boxes[0].text.startsWith("无法写入文件 " + home.filePath("no/such/folder/grids.csv")));

        prompter->clear();
        d->set("lineEdit_struct_id", "SB-7");
        d->click("pushButton_update");
        d->click("pushButton_save_CSV");
        QCOMPARE(prompter->summary(), QStringList({"错误：|未保存矩阵：SB-7"}));
        QVERIFY(readAll(home.filePath("autocall.csv")).contains(",18.000000,"));

        // The design's MC check goes into 今价：; with 高精度 beside the price.
        const double grid = d->text("lineEdit_price").toDouble();
        d->click("pushButton_price_MC");
        QVERIFY(std::fabs(d->text("lineEdit_lookup_S").toDouble() - grid) < 1.5);
        QVERIFY(d->text("lineEdit_error").isEmpty());

        // 价格上限 marked while the price may reach it.
        d->set("lineEdit_vol", "300");
        d->click("pushButton_price");
        QVERIFY(d->edit("lineEdit_Smax")->property("ceilingLow").toBool());
        QVERIFY(d->edit("lineEdit_Smax")->toolTip().startsWith("价格上限 200 偏低"));
        d->set("lineEdit_vol", "18");
        d->click("pushButton_price");
        QVERIFY(!d->edit("lineEdit_Smax")->property("ceilingLow").toBool());
    }

    void keyboardInTheWindow()
    {
        auto d = makeDialog();
        d->show();
        QVERIFY(QTest::qWaitForWindowExposed(d.get()));
        d->activateWindow();
        // Enter after typing a value runs no button; Escape closes neither
        // the calculator nor its embedded editor.
        for (QLineEdit* field : {d->edit("lineEdit_vol"), child<QLineEdit>(d->observeEditor(), "lineEdit_lock")}) {
            field->setFocus();
            QTest::keyClick(field, Qt::Key_Return);
            QTest::keyClick(field, Qt::Key_Escape);
        }
        QVERIFY2(prompter->boxes.isEmpty(), qPrintable(prompter->summary().join("; ")));
        QVERIFY(d->isVisible() && d->observeEditor()->isVisible());
        QCOMPARE(d->text("lineEdit_price"), QString());
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
        auto* start = child<QDateEdit>(d->observeEditor(), "dateEdit_start");
        QCOMPARE(start->text(), start->date().toString("yyyy/MM/dd"));
        auto* table = child<QTableWidget>(d->observeEditor(), "tableWidget_observe");
        int columns = 0;
        for (int c = 0; c < table->columnCount(); ++c)
            columns += table->columnWidth(c);
        QVERIFY2(columns <= table->viewport()->width(),
                 qPrintable(QString("%1 > %2").arg(columns).arg(table->viewport()->width())));
        QLocale::setDefault(QLocale(QLocale::Chinese, QLocale::China));
    }
};

QTEST_MAIN(TestDialogCalculatorPDE)
#include "TestDialogCalculatorPDE.moc"
