#include "DialogCalculatorPDE.h"

#include "AppLogger.h"
#include "BackgroundRun.h"
#include "Calendar.h"
#include "MarketDataDialog.h"
#include "NoticeBox.h"
#include "PanelGreeks_UA.h"
#include "PanelProbability.h"
#include "PanelStress.h"
#include "PlatformPath.h"
#include "Prompt.h"
#include "StrictFields.h"
#include "WholeFileWriter.h"
#include "WidgetObserveGlobal.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QDate>
#include <QFileInfo>
#include <QFileSystemWatcher>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSettings>
#include <QTimer>

namespace {

const char* const kCategoryHelp =
    "1.经典雪球\n市场上常见的雪球结构，“大雪球”类型选择票据，“小雪球”类型选择期权。\n"
    "2.保底雪球\n在经典雪球结构的基础上增加一档执行价格，限制已敲入未敲出情景下的潜在亏损，降低风险。\n"
    "3.参与型雪球\n参与型雪球敲出不仅兑付固定年化票息收益，还额外分享了部分标的上涨带来的浮动收益。"
    "增强型雪球的年化票息低于经典雪球，但由于享有标的涨幅收益，整体回报可能更高。\n"
    "4.阶梯型雪球\n阶梯型雪球的敲出价格在各个敲出观察日逐日降低(Step-Down)，"
    "提高了敲出概率而降低了敲入未敲出的亏损风险，因而相比经典雪球结构其年化票息更低。\n"
    "5.双降型雪球\n双降型雪球，即降敲入，降票息。\n"
    "6.红利型雪球\n“红利票息”可以和“敲出票息”不等。\n";

const char* const kPriceStale = "条款已修改：此价格不再对应当前条款，请重新点击【定价】";
const char* const kGreeksStale = "条款已修改：此结果不再对应当前条款，请重新点击【风险指标计算】";
const char* const kLookupStale = "查表输入已修改，请重新点击【查表】";

bool isPlainEscape(const QKeyEvent* event)
{
    return event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier;
}

}  // namespace

DialogCalculatorPDE::DialogCalculatorPDE(QWidget* parent) : DialogCalculatorPDE(trd_calendar(), parent) {}

DialogCalculatorPDE::DialogCalculatorPDE(const Calendar& cal, QWidget* parent) : QDialog(parent), controller_(cal)
{
    resize(900, 450);
    buildWindow();
    nameWidgets();
    setWindowTitle(QStringLiteral("雪球专用计算器"));
    setWindowFlags(windowFlags() | Qt::WindowMaximizeButtonHint);

    combo_type->addItem(QStringLiteral("票据"));
    combo_type->addItem(QStringLiteral("期权"));
    connectSlots();
    setFocusPolicy(Qt::NoFocus);
    // Enter in a field must not press a button (a dialog's autoDefault would
    // click the first one, the category help, after every typed value).
    for (QPushButton* b : findChildren<QPushButton*>())
        b->setAutoDefault(false);
    for (QPushButton* b : {pushButton_price, pushButton_search_100, pushButton_range, pushButton_price_MC,
                           pushButton_calc_greeks, pushButton_lookup, pushButton_univariate, pushButton_probability})
        markStartsRun(b);
    // The embedded editor is a dialog too: Escape would hide it for good.
    editor_observe->installEventFilter(this);

    on_pushButton_default_param_clicked();

    // A market file that changes on disk is read again before it is used;
    // watching it marks what was computed from it stale at once.
    watcher_market = new QFileSystemWatcher(this);
    connect(watcher_market, &QFileSystemWatcher::fileChanged, this, [this] {
        controller_.refreshMarket();
        showMarketInFields();
    });
    controller_.setMarketChangedHook([this] { marketChanged(); });
    // The files of the last run, when the program named itself for its settings.
    if (!QCoreApplication::organizationName().isEmpty()) {
        const Notice restored = controller_.rememberMarketIn(std::make_unique<QSettings>(), inputs());
        showMarketInFields();
        if (restored)
            QTimer::singleShot(0, this, [this, restored] { tell(restored); });
    }
    // Said once, when the window is up; every pricing action repeats it.
    if (cal.empty())
        QTimer::singleShot(0, this, &DialogCalculatorPDE::reportMissingCalendar);
    // Once per process, when the window is up: the console may not be seen.
    static bool logFailureShown = false;
    if (AppLogger::instance().file_failed() && !logFailureShown) {
        logFailureShown = true;
        QTimer::singleShot(0, this, &DialogCalculatorPDE::reportLogFileFailure);
    }
}

DialogCalculatorPDE::~DialogCalculatorPDE() = default;

void DialogCalculatorPDE::keyPressEvent(QKeyEvent* event)
{
    // This dialog is the program's main window: a stray Escape must not close
    // it and lose the terms typed; the close button ends the program.
    if (isPlainEscape(event)) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

bool DialogCalculatorPDE::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == editor_observe && event->type() == QEvent::KeyPress
        && isPlainEscape(static_cast<QKeyEvent*>(event)))
        return true;
    return QDialog::eventFilter(watched, event);
}

void DialogCalculatorPDE::reportMissingCalendar()
{
    prompt::critical(this, QStringLiteral("错误:"), noCalendarText());
}

void DialogCalculatorPDE::reportLogFileFailure()
{
    prompt::warning(this, QStringLiteral("请注意："),
                    QStringLiteral("无法写入日志文件，本次运行的日志只输出到控制台：\n%1")
                        .arg(QString::fromLocal8Bit(AppLogger::instance().file_error().c_str())));
}

// ---- Fields in, outcomes out ------------------------------------------------

CalculatorInputs DialogCalculatorPDE::inputs() const
{
    CalculatorInputs in;
    StructureTexts& t = in.texts;
    t.S = lineEdit_S->text();
    t.Smax = lineEdit_Smax->text();
    t.vol = lineEdit_vol->text();
    in.volShift = lineEdit_vol_shift->text();
    t.rate = lineEdit_rate->text();
    t.q = lineEdit_q->text();
    t.T = lineEdit_T->text();
    t.M = lineEdit_M->text();
    t.N = lineEdit_N->text();
    t.yearDays = lineEdit_year_days->text();
    t.dayMode = combo_days->currentIndex() == 1 ? DayMode::Trading : DayMode::Calendar;
    t.ko = lineEdit_ko->text();
    t.coupon = lineEdit_coupon->text();
    t.ki = lineEdit_ki->text();
    t.divCoupon = lineEdit_div_coupon->text();
    t.floor = lineEdit_floor->text();
    t.strike = lineEdit_call_strike->text();
    t.participation = lineEdit_participation->text();
    in.form = combo_type->currentIndex() == 1 ? PayoffForm::Option : PayoffForm::Note;
    in.accurate = checkBox_accurate->isChecked();
    in.digits = lineEdit_digits->text();
    in.structId = lineEdit_struct_id->text();
    return in;
}

LookupInputs DialogCalculatorPDE::lookupInputs() const
{
    return {lineEdit_lookup_S->text(), lineEdit_lookup_date->text(), lineEdit_year_days->text(),
            lineEdit_digits->text(), checkBox_knocked_in->isChecked()};
}

CalculatorController::Runner DialogCalculatorPDE::runner(bool status)
{
    return [this, status](const QString& label, const CalculatorController::Work& work) {
        if (status)
            label_status->setText(QStringLiteral("正在计算..."));
        return runWithProgress(this, label, work) == RunOutcome::Finished;
    };
}

void DialogCalculatorPDE::tell(const Notice& notice)
{
    showNotice(this, notice);
}

// ---- Results and the terms they belong to ----------------------------------

QList<QLineEdit*> DialogCalculatorPDE::greekOutputs() const
{
    return {lineEdit_out_price, lineEdit_out_delta, lineEdit_out_gamma,
            lineEdit_out_theta, lineEdit_out_vega,  lineEdit_out_rho};
}

void DialogCalculatorPDE::setResultStale(QLineEdit* field, const QString& why)
{
    if (field->text().isEmpty() || field->text() == QLatin1String("-"))
        return;
    field->setStyleSheet(QStringLiteral("color: grey; background-color: #eeeeee;"));
    field->setToolTip(why);
    field->setProperty("stale", true);
}

void DialogCalculatorPDE::setResultFresh(QLineEdit* field)
{
    field->setStyleSheet(QString());
    field->setToolTip(QString());
    field->setProperty("stale", false);
}

void DialogCalculatorPDE::markResultsStale()
{
    controller_.termsChanged();
    if (panel_probability)
        panel_probability->markStale();
    if (panel_stress)
        panel_stress->markStale();
    setResultStale(lineEdit_price, QString::fromUtf8(kPriceStale));
    setResultStale(lineEdit_error, QString::fromUtf8(kPriceStale));
    for (QLineEdit* out : greekOutputs())
        setResultStale(out, QString::fromUtf8(kGreeksStale));
}

void DialogCalculatorPDE::markLookupStale()
{
    for (QLineEdit* out : greekOutputs())
        setResultStale(out, QString::fromUtf8(controller_.gridCurrent() ? kLookupStale : kGreeksStale));
}

void DialogCalculatorPDE::showPriceRefused()
{
    lineEdit_price->setText(QStringLiteral("-"));
    setResultFresh(lineEdit_price);
    lineEdit_error->clear();
    setResultFresh(lineEdit_error);
    for (QLineEdit* out : greekOutputs())
        setResultStale(out, QString::fromUtf8(kGreeksStale));
}

void DialogCalculatorPDE::handOverToPanels()
{
    if (panel_stress && controller_.termsCurrent())
        panel_stress->setRequest(controller_.handedOver().request, true);
}

// ---- Pricing, Greeks, lookup -----------------------------------------------

void DialogCalculatorPDE::on_pushButton_price_clicked()
{
    const PriceOutcome out = controller_.price(inputs(), runner(true));
    if (out.status)
        label_status->setText(*out.status);
    tell(out.notice);
    if (out.end == ActionEnd::Cancelled)  // what was shown stays as it was
        return;
    if (out.end == ActionEnd::Refused) {
        showPriceRefused();
        return;
    }
    lineEdit_Smax->setStyleSheet(out.ceilingTip.isEmpty() ? QString()
                                                          : QStringLiteral("background-color: #ffd8a8;"));
    lineEdit_Smax->setToolTip(out.ceilingTip);
    lineEdit_Smax->setProperty("ceilingLow", !out.ceilingTip.isEmpty());
    lineEdit_price->setText(out.price);
    setResultFresh(lineEdit_price);
    lineEdit_error->setText(out.error);
    setResultFresh(lineEdit_error);
    showModel(lineEdit_price, out.model);
    showModel(lineEdit_error, out.model);
    if (!out.current)  // a term changed while it ran
        setResultStale(lineEdit_price, QString::fromUtf8(kPriceStale));
    handOverToPanels();
}

void DialogCalculatorPDE::on_pushButton_calc_greeks_clicked()
{
    const GreeksOutcome out = controller_.greeks(inputs(), lookupInputs(), runner());
    tell(out.notice);
    if (out.outputsCleared) {
        for (QLineEdit* field : greekOutputs()) {
            field->setText(QStringLiteral("-"));
            setResultFresh(field);
        }
    }
    if (out.end != ActionEnd::Done)
        return;
    pushButton_export_matrix->setEnabled(out.exportable);
    pushButton_univariate->setEnabled(true);
    pushButton_lookup->setEnabled(true);
    showLookup(out.lookup);
    handOverToPanels();
}

void DialogCalculatorPDE::on_pushButton_lookup_clicked()
{
    showLookup(controller_.lookup(lookupInputs(), runner()));
}

void DialogCalculatorPDE::showLookup(const LookupOutcome& out)
{
    tell(out.notice);
    if (!out.shown)
        return;
    const QList<QLineEdit*> fields = greekOutputs();
    for (int i = 0; i < fields.size(); ++i) {
        fields[i]->setText(out.values[static_cast<size_t>(i)]);
        setResultFresh(fields[i]);
    }
    lineEdit_out_price->setToolTip(out.priceTip);
    if (!controller_.gridCurrent())  // a term changed while it ran
        markLookupStale();
}

void DialogCalculatorPDE::on_pushButton_export_matrix_clicked()
{
    Notice notice;
    const std::optional<std::string> text = controller_.matrices(notice);
    tell(notice);
    if (!text)
        return;
    const QString path = prompt::saveFileName(this, QStringLiteral("保存PDE矩阵"),
                                              platformPath(QStringLiteral("e:\\data")),
                                              QStringLiteral("csv files (*.csv)"));
    if (path.isEmpty())  // cancelled: nothing is written
        return;
    // Whole blocks under the writer's lock: a failed write leaves the file as it was.
    tell(notWritten(path, files::writeWhole(path, files::WriteMode::Append,
                                            QByteArray(text->data(), static_cast<int>(text->size())))));
}

void DialogCalculatorPDE::on_pushButton_update_clicked()
{
    // Nothing is stored by this action, so it says so.
    prompt::information(this, QStringLiteral("错误："),
                        QStringLiteral("未保存矩阵：") + lineEdit_struct_id->text());
}

void DialogCalculatorPDE::on_pushButton_price_MC_clicked()
{
    const MonteCarloOutcome out = controller_.monteCarlo(inputs(), runner());
    tell(out.notice);
    if (out.end != ActionEnd::Done)
        return;
    if (!out.lookupSpot.isEmpty()) {
        lineEdit_lookup_S->setText(out.lookupSpot);
        return;
    }
    lineEdit_price->setText(out.price);
    lineEdit_error->setText(out.error);
    for (QLineEdit* field : {lineEdit_price, lineEdit_error}) {
        setResultFresh(field);
        field->setToolTip(out.source);
    }
}

// ---- Target solving -----------------------------------------------------------

void DialogCalculatorPDE::on_pushButton_range_clicked()
{
    const SolveOutcome out = controller_.solve(
        inputs(),
        {combo_target->currentIndex(), lineEdit_range_target->text(), lineEdit_range_start->text(),
         lineEdit_range_end->text()},
        runner(true));
    if (out.status)
        label_status->setText(*out.status);
    if (!out.solution.isEmpty()) {
        if (out.volatilityShift) {
            lineEdit_vol_shift->setText(out.solution);
        } else if (combo_target->currentIndex() == 1) {
            lineEdit_coupon->setText(out.solution);
            lineEdit_div_coupon->setText(out.solution);
        } else {
            lineEdit_vol->setText(out.solution);
        }
    }
    tell(out.notice);
}

// ---- Panels -----------------------------------------------------------------

void DialogCalculatorPDE::on_pushButton_univariate_clicked()
{
    openUnivariate(controller_.handedOver());
}

void DialogCalculatorPDE::on_pushButton_search_100_clicked()
{
    const CalculatorInputs in = inputs();
    const StructureTexts texts = controller_.withSchedule(in.texts);
    QString error;
    if (!checkStructureTexts(texts, error) || !validateStructure(texts, false, error)) {
        prompt::critical(this, QStringLiteral("结构参数错误："), error);
        return;
    }
    openUnivariate(controller_.onScreen(in));
}

void DialogCalculatorPDE::openUnivariate(const Handover& h)
{
    tell(h.notice);
    if (h.notice)
        return;
    PanelGreeks_UA panel(fieldNumber(lineEdit_S->text()));
    panel.setRequest(h.request, h.current);
    panel.setCaller(this);
    panel.setRange(Param::Sigma, fieldNumber(lineEdit_range_start->text()), fieldNumber(lineEdit_range_end->text()),
                   0.05);
    panel.exec();
}

void DialogCalculatorPDE::on_pushButton_stress_test_clicked()
{
    if (!panel_stress)
        panel_stress = std::make_unique<PanelStress>();
    // Before any pricing the panel holds nothing and says so when asked to compute.
    if (controller_.initialised()) {
        const Handover h = controller_.handedOver();
        panel_stress->setRequest(h.request, h.current);
    }
    panel_stress->show();
    panel_stress->raise();
}

void DialogCalculatorPDE::analyseProbabilities()
{
    // Only the structure on screen is described, as it was priced.
    const Handover h = controller_.priced();
    tell(h.notice);
    if (h.notice)
        return;
    if (!panel_probability)
        panel_probability = std::make_unique<PanelProbability>();
    panel_probability->setRequest(h.request, h.dates);
    panel_probability->show();
    panel_probability->raise();
    panel_probability->calculate();
}

void DialogCalculatorPDE::applyParamValue(Param term, double value)
{
    const QString text = QString::number(value, 'g', 6);
    switch (term) {
    case Param::KoBarrier: lineEdit_ko->setText(text); break;
    case Param::KiBarrier: lineEdit_ki->setText(text); break;
    case Param::KoCoupon: lineEdit_coupon->setText(text); break;
    case Param::Sigma:  // with market files the scan moved their shift
        (controller_.market().any() ? lineEdit_vol_shift : lineEdit_vol)->setText(text);
        break;
    case Param::DivCoupon: lineEdit_div_coupon->setText(text); break;
    case Param::CouponAndDiv:
        lineEdit_coupon->setText(text);
        lineEdit_div_coupon->setText(text);
        break;
    }
}

// ---- 市场数据 -------------------------------------------------------------------

void DialogCalculatorPDE::openMarketData()
{
    if (!dialog_market) {
        dialog_market = std::make_unique<MarketDataDialog>(controller_, [this] { return inputs(); }, this);
        connect(dialog_market.get(), &MarketDataDialog::marketChanged, this, &DialogCalculatorPDE::marketChanged);
    }
    dialog_market->refresh();
    dialog_market->open();
}

void DialogCalculatorPDE::marketChanged()
{
    markResultsStale();
    showMarketInFields();
}

void DialogCalculatorPDE::showMarketInFields()
{
    const MarketSet& market = controller_.market();
    const std::pair<FlatField, QLineEdit*> fields[] = {
        {FlatField::Rate, lineEdit_rate}, {FlatField::Dividend, lineEdit_q}, {FlatField::Volatility, lineEdit_vol}};
    for (const auto& [flat, field] : fields) {
        QString tip;
        for (int i = 0; i < kMarketInputCount; ++i) {
            const LoadedMarketFile* f = market.file(marketInputAt(i));
            if (!f || marketInputInfo(marketInputAt(i)).replaces != flat)
                continue;
            tip = QStringLiteral("由%1代替（仅在高精度模式下使用）：%2")
                      .arg(QString::fromUtf8(marketInputInfo(marketInputAt(i)).name), f->path);
            if (!f->problem.isEmpty())
                tip += QStringLiteral("\n文件已更改，无法重新读取：") + f->problem;
        }
        field->setEnabled(tip.isEmpty());
        field->setToolTip(tip);
    }
    lineEdit_vol_shift->setEnabled(market.any());
    lineEdit_vol_shift->setToolTip(market.any() ? QStringLiteral("市场数据中波动率输入的平行平移（百分点）；"
                                                                 "区间求解“波动率”时求的就是这个平移（小数，0.01为1个百分点）")
                                                : QString());

    // Watched again each time: an editor that saves by replacing the file ends the old watch.
    if (!watcher_market->files().isEmpty())
        watcher_market->removePaths(watcher_market->files());
    QStringList paths;
    for (int i = 0; i < kMarketInputCount; ++i)
        if (const LoadedMarketFile* f = market.file(marketInputAt(i)); f && QFileInfo::exists(f->path))
            paths << f->path;
    if (!paths.isEmpty())
        watcher_market->addPaths(paths);
}

void DialogCalculatorPDE::showModel(QLineEdit* field, const QString& model)
{
    if (!model.isEmpty())
        field->setToolTip(model);
}

// ---- Defaults and mode switches -------------------------------------------------

void DialogCalculatorPDE::on_pushButton_default_param_clicked()
{
    lineEdit_S->setText(QStringLiteral("100"));
    lineEdit_Smax->setText(QStringLiteral("200"));
    lineEdit_vol->setText(QStringLiteral("18"));
    lineEdit_rate->setText(QStringLiteral("1.5"));
    lineEdit_T->setText(QStringLiteral("244"));
    lineEdit_digits->setText(QStringLiteral("4"));
    lineEdit_ko->setText(QStringLiteral("103"));
    lineEdit_ki->setText(QStringLiteral("80"));
    lineEdit_floor->setText(QStringLiteral("0"));
    lineEdit_call_strike->setText(QStringLiteral("0"));
    lineEdit_participation->setText(QStringLiteral("0"));
    lineEdit_coupon->setText(QStringLiteral("16"));
    lineEdit_div_coupon->setText(lineEdit_coupon->text());
    lineEdit_struct_id->clear();

    // Without a calendar no date can be placed: the schedule stays empty
    // rather than a row of "0" dates.
    if (!controller_.calendar().empty()) {
        const QDate today = QDate::currentDate();
        editor_observe->setSchedule(today, today.addYears(1), lineEdit_ko->text(), lineEdit_coupon->text(),
                                    lineEdit_ki->text());
    }
    controller_.setSchedule(editor_observe->savedSchedule());
    updateMaturityDays(controller_.schedule().start, controller_.schedule().expiry);
}

void DialogCalculatorPDE::updateMaturityDays(const QDate& start, const QDate& expiry)
{
    const int days = controller_.maturityDays(start, expiry);
    lineEdit_T->setText(days >= 1 ? QString::number(days) : QString());
    lineEdit_N->setText(days >= 1 ? QString::number(days - 1) : QString());
    const QString estimated = controller_.estimatedYearsTip(start, expiry);
    label_estimated->setVisible(!estimated.isEmpty());
    label_estimated->setToolTip(estimated);
}

void DialogCalculatorPDE::on_S_changed(const QString& text)
{
    lineEdit_Smax->setText(defaultSmax(text));
    lineEdit_open_price->setText(text);
    lineEdit_lookup_S->setText(text);
    if (combo_type->currentIndex() == 0)
        lineEdit_range_target->setText(text);
}

void DialogCalculatorPDE::on_T_changed(const QString& text)
{
    int days = 0;
    lineEdit_N->setText(strictInt(text, days) && days >= 1 ? QString::number(days - 1) : QString());
}

void DialogCalculatorPDE::on_combo_type_changed(int index)
{
    if (index == 0)
        lineEdit_range_target->setText(lineEdit_S->text());
    else if (index == 1)
        lineEdit_range_target->setText(QStringLiteral("0"));
}

void DialogCalculatorPDE::on_combo_days_changed(int)
{
    prompt::information(this, QStringLiteral("提示："), QStringLiteral("切换了日期模式，请重新预估观察日."));
}

void DialogCalculatorPDE::on_combo_snowball_changed(int index)
{
    for (QLineEdit* field : {lineEdit_floor, lineEdit_call_strike, lineEdit_participation})
        field->setText(QStringLiteral("0"));
    // Which extension fields each category uses, and whether its values change per date.
    lineEdit_floor->setEnabled(index == 0 || index == 2);
    lineEdit_call_strike->setEnabled(index == 0 || index == 3);
    lineEdit_participation->setEnabled(index == 0 || index == 3);
    if (index >= 0 && index <= 3)
        editor_observe->useOneValueForAllDates();
    else if (index == 4 || index == 5)
        editor_observe->useValuePerDate();
}

void DialogCalculatorPDE::on_observe_save_clicked(const SavedSchedule& saved)
{
    controller_.setSchedule(saved);
    lineEdit_ko->setText(saved.ko);
    lineEdit_coupon->setText(saved.coupon);
    lineEdit_ki->setText(saved.ki);
    updateMaturityDays(saved.start, saved.expiry);
    markResultsStale();  // the schedule is a term even when no field text changed
}

void DialogCalculatorPDE::on_pushButton_snowball_clicked()
{
    prompt::information(this, QStringLiteral("雪球类别"), QString::fromUtf8(kCategoryHelp));
}

// ---- Structure CSV ------------------------------------------------------------

void DialogCalculatorPDE::on_pushButton_save_CSV_clicked()
{
    tell(controller_.saveStructure(inputs(), lineEdit_open_price->text()));
}
