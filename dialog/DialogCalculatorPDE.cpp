#include "DialogCalculatorPDE.h"

#include "AppLogger.h"
#include "BackgroundRun.h"
#include "Calendar.h"
#include "MatrixText.h"
#include "MonteCarlo.h"
#include "ReferenceMonteCarlo.h"
#include "RunPlan.h"
#include "NumberText.h"
#include "ObserveSchedule.h"
#include "PanelGreeks_UA.h"
#include "PanelProbability.h"
#include "PanelStress.h"
#include "PlatformPath.h"
#include "PriceCeiling.h"
#include "Prompt.h"
#include "StrictFields.h"
#include "StructureRecord.h"
#include "TermTable.h"
#include "WidgetFactories.h"
#include "WidgetObserveGlobal.h"
#include "WholeFileWriter.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QDate>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpacerItem>
#include <QTextCodec>
#include <QTimer>
#include <QUrl>
#include <QVBoxLayout>

#include <algorithm>

#include <cmath>
#include <cstdio>
#include <ctime>
#include <limits>

namespace {

// The search's bisection steps on the program's console, as always.
void consoleTrace(const std::string& line)
{
    std::fputs(line.c_str(), stdout);
    std::fflush(stdout);
}

// The category names as stored in the GBK code page.
const char* const kCategoryItemsGbk[] = {
    "\xD7\xD4\xB6\xA8\xD2\xE5",                  // 自定义
    "\xBE\xAD\xB5\xE4\xD1\xA9\xC7\xF2",          // 经典雪球
    "\xB1\xA3\xB5\xD7\xD1\xA9\xC7\xF2",          // 保底雪球
    "\xB2\xCE\xD3\xEB\xD0\xCD\xD1\xA9\xC7\xF2",  // 参与型雪球
    "\xBD\xD7\xCC\xDD\xD0\xCD\xD1\xA9\xC7\xF2",  // 阶梯型雪球
    "\xCB\xAB\xBD\xB5\xD0\xCD\xD1\xA9\xC7\xF2",  // 双降型雪球
};

const char* const kCategoryHelp =
    "1.经典雪球\n市场上常见的雪球结构，“大雪球”类型选择票据，“小雪球”类型选择期权。\n"
    "2.保底雪球\n在经典雪球结构的基础上增加一档执行价格，限制已敲入未敲出情景下的潜在亏损，降低风险。\n"
    "3.参与型雪球\n参与型雪球敲出不仅兑付固定年化票息收益，还额外分享了部分标的上涨带来的浮动收益。"
    "增强型雪球的年化票息低于经典雪球，但由于享有标的涨幅收益，整体回报可能更高。\n"
    "4.阶梯型雪球\n阶梯型雪球的敲出价格在各个敲出观察日逐日降低(Step-Down)，"
    "提高了敲出概率而降低了敲入未敲出的亏损风险，因而相比经典雪球结构其年化票息更低。\n"
    "5.双降型雪球\n双降型雪球，即降敲入，降票息。\n"
    "6.红利型雪球\n“红利票息”可以和“敲出票息”不等。\n";

const char* const kSolveHint = "\n建议通过'知x求1'进行单变量图分析";

// A file the user asked for could not be written; the writer says why.
void warnNotWritten(QWidget* parent, const QString& path, const QString& why)
{
    QString text = QStringLiteral("无法写入文件 %1，未保存。").arg(path);
    if (!why.isEmpty())
        text += QStringLiteral("\n") + why;
    prompt::warning(parent, QStringLiteral("请注意："), text);
}

QLabel* label(const QString& text)
{
    return new QLabel(text);
}

QSpacerItem* hSpacer(int w, int h, QSizePolicy::Policy horizontal)
{
    return new QSpacerItem(w, h, horizontal, QSizePolicy::Minimum);
}

QPushButton* button(const QString& text)
{
    return new QPushButton(text);
}

// The project's README for the header link: next to the program when
// installed so, else the one of the source tree this program was built from.
QString readmePath()
{
    const QString beside = QCoreApplication::applicationDirPath() + QStringLiteral("/README.md");
    if (QFileInfo::exists(beside))
        return beside;
#ifdef KELVARA_SOURCE_README
    const QString source = QString::fromUtf8(KELVARA_SOURCE_README);
    if (QFileInfo::exists(source))
        return source;
#endif
    return QString();
}

}  // namespace

DialogCalculatorPDE::DialogCalculatorPDE(QWidget* parent) : DialogCalculatorPDE(trd_calendar(), parent) {}

DialogCalculatorPDE::DialogCalculatorPDE(const Calendar& cal, QWidget* parent)
    : QDialog(parent), calendar(cal), engine(std::make_unique<Snowball_PDE>())
{
    engine->set_trace_hook(consoleTrace);
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
    // Said once, when the window is up; every pricing action repeats it.
    if (calendar.empty())
        QTimer::singleShot(0, this, &DialogCalculatorPDE::reportMissingCalendar);
    // Once per process, when the window is up: the console may not be seen.
    static bool logFailureShown = false;
    if (AppLogger::instance().file_failed() && !logFailureShown) {
        logFailureShown = true;
        QTimer::singleShot(0, this, &DialogCalculatorPDE::reportLogFileFailure);
    }
}

DialogCalculatorPDE::~DialogCalculatorPDE() = default;

namespace {

bool isPlainEscape(const QKeyEvent* event)
{
    return event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier;
}

}  // namespace

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

void DialogCalculatorPDE::buildWindow()
{
    auto* top = new QVBoxLayout(this);

    // Header: image, link, image.
    auto* header = new QHBoxLayout;
    header->addWidget(makeImageLabel(QStringLiteral("ll.png")));
    header->addItem(hSpacer(105, 1, QSizePolicy::Expanding));
    label_link = new QLabel;
    const QString readme = readmePath();
    if (readme.isEmpty()) {
        label_link->setText(QStringLiteral("<span style=\"color:#0000ff; text-decoration:underline;\">Kelvara 使用说明</span>"));
    } else {
        label_link->setText(QStringLiteral("<a href=\"%1\" style=\"color:#0000ff; text-decoration:underline;\">Kelvara 使用说明</a>")
                                .arg(QUrl::fromLocalFile(readme).toString()));
        label_link->setOpenExternalLinks(true);
        label_link->setTextInteractionFlags(Qt::TextBrowserInteraction);
    }
    header->addWidget(label_link);
    header->addItem(hSpacer(105, 1, QSizePolicy::Expanding));
    header->addWidget(makeImageLabel(QStringLiteral("QR.jpg")));
    top->addLayout(header);

    auto* body = new QHBoxLayout;
    auto* left = new QVBoxLayout;
    auto* right = new QVBoxLayout;

    auto* categoryRow = new QHBoxLayout;
    categoryRow->addWidget(label(QStringLiteral("雪球类别：")));
    combo_snowball = new QComboBox;
    QTextCodec* gbk = QTextCodec::codecForName("GBK");
    for (const char* item : kCategoryItemsGbk)
        combo_snowball->addItem(gbk ? gbk->toUnicode(item) : QString::fromLatin1(item));
    categoryRow->addWidget(combo_snowball);
    pushButton_snowball = button(QStringLiteral("?"));
    pushButton_snowball->setFixedWidth(30);
    pushButton_snowball->setToolTip(QStringLiteral("查看类别说明"));
    categoryRow->addWidget(pushButton_snowball);
    categoryRow->addItem(hSpacer(300, 0, QSizePolicy::Maximum));
    left->addLayout(categoryRow);

    left->addWidget(buildStructureGroup());
    left->addWidget(buildAnalysisRow());

    auto* groupObserve = new QGroupBox(QStringLiteral("观察日:"));
    auto* observeGrid = new QGridLayout(groupObserve);
    editor_observe = new WidgetObserveGlobal(calendar);
    // Never narrower than its own contents need: a fixed minimum below that
    // let the layout squeeze the schedule table's last column out of sight.
    editor_observe->setMinimumWidth(std::max(380, editor_observe->minimumSizeHint().width()));
    observeGrid->addWidget(editor_observe, 0, 1, 1, 3);
    right->addWidget(groupObserve);

    body->addLayout(left, 2);
    body->addLayout(right, 1);
    top->addLayout(body);
    top->addItem(new QSpacerItem(0, 0, QSizePolicy::Minimum, QSizePolicy::Expanding));

    buildImportExportGroup();
}

QWidget* DialogCalculatorPDE::buildStructureGroup()
{
    auto* group = new QGroupBox(QStringLiteral("结构参数:"));
    auto* grid = new QGridLayout(group);

    auto place = [grid](int row, int column, const QString& caption, QLineEdit* field) {
        grid->addWidget(label(caption), row, column);
        grid->addWidget(field, row, column + 1);
    };

    combo_type = new QComboBox;
    grid->addWidget(label(QStringLiteral("类型")), 0, 0);
    grid->addWidget(combo_type, 0, 1);
    grid->addWidget(label(QStringLiteral("扩展参数:")), 0, 4);

    place(1, 0, QStringLiteral("标的价格"), lineEdit_S = makeLineEdit(QString()));
    place(2, 0, QStringLiteral("波动率(%)"), lineEdit_vol = makeLineEdit(QStringLiteral("20")));
    place(3, 0, QStringLiteral("无风险利率(%)"), lineEdit_rate = makeLineEdit(QString()));
    place(4, 0, QStringLiteral("分红率(%)"), lineEdit_q = makeLineEdit(QStringLiteral("0")));
    place(5, 0, QStringLiteral("到期天数(交易日)"), lineEdit_T = makeLineEdit(QString()));
    lineEdit_T->setEnabled(false);
    label_estimated = new QLabel(QStringLiteral("含估算交易日"));
    label_estimated->setStyleSheet(QStringLiteral("color: #d35400;"));
    label_estimated->setVisible(false);
    grid->addWidget(label_estimated, 5, 2, 1, 2);
    place(6, 0, QStringLiteral("理论价格"), lineEdit_price = makeLineEdit(QString()));
    place(7, 0, QStringLiteral("误差估计"), lineEdit_error = makeLineEdit(QString()));
    lineEdit_error->setReadOnly(true);

    place(1, 2, QStringLiteral("敲出票息(%)"), lineEdit_coupon = makeLineEdit(QStringLiteral("16")));
    place(2, 2, QStringLiteral("红利票息(%)"), lineEdit_div_coupon = makeLineEdit(QStringLiteral("16")));
    place(3, 2, QStringLiteral("敲出价格"), lineEdit_ko = makeLineEdit(QStringLiteral("103")));
    place(4, 2, QStringLiteral("敲入价格"), lineEdit_ki = makeLineEdit(QStringLiteral("85")));

    place(1, 4, QStringLiteral("保底价格"), lineEdit_floor = makeLineEdit(QStringLiteral("0")));
    place(2, 4, QStringLiteral("看涨行权价"), lineEdit_call_strike = makeLineEdit(QStringLiteral("0")));
    place(3, 4, QStringLiteral("看涨参与率"), lineEdit_participation = makeLineEdit(QStringLiteral("0")));

    const QString bigRed = QStringLiteral("font-size:30px;color:red");
    pushButton_price = button(QStringLiteral("定价"));
    pushButton_price->setStyleSheet(bigRed);
    grid->addWidget(pushButton_price, 6, 2, 1, 2);
    pushButton_search_100 = button(QStringLiteral("知x求1"));
    pushButton_search_100->setStyleSheet(bigRed);
    grid->addWidget(pushButton_search_100, 6, 4, 1, 2);
    pushButton_price_MC = button(QStringLiteral("MC"));
    grid->addWidget(pushButton_price_MC, 6, 4, 1, 2);
    pushButton_price_MC->setVisible(false);
    grid->addItem(hSpacer(105, 1, QSizePolicy::Expanding), 6, 6);

    auto* targetRow = new QHBoxLayout;
    combo_target = new QComboBox;
    combo_target->addItem(QStringLiteral("波动率"));
    combo_target->addItem(QStringLiteral("红利&敲出票息"));
    targetRow->addWidget(combo_target);
    targetRow->addWidget(label(QStringLiteral("区间开始:")));
    targetRow->addWidget(lineEdit_range_start = makeLineEdit(QStringLiteral("0")));
    targetRow->addWidget(label(QStringLiteral("区间结束:")));
    targetRow->addWidget(lineEdit_range_end = makeLineEdit(QStringLiteral("1")));
    targetRow->addWidget(label(QStringLiteral("目标值:")));
    targetRow->addWidget(lineEdit_range_target = makeLineEdit(QStringLiteral("100")));
    pushButton_range = button(QStringLiteral("区间求解"));
    targetRow->addWidget(pushButton_range);
    grid->addLayout(targetRow, 8, 0, 1, 7);
    return group;
}

QWidget* DialogCalculatorPDE::buildAnalysisRow()
{
    auto* row = new QWidget;
    auto* box = new QHBoxLayout(row);
    box->setContentsMargins(0, 0, 0, 0);

    auto* risk = new QGroupBox(QStringLiteral("风险分析"));
    auto* riskGrid = new QGridLayout(risk);
    pushButton_calc_greeks = button(QStringLiteral("风险指标计算"));
    pushButton_export_matrix = button(QStringLiteral("导出矩阵"));
    pushButton_univariate = button(QStringLiteral("单变量-价格图"));
    riskGrid->addWidget(pushButton_calc_greeks, 0, 0);
    riskGrid->addWidget(pushButton_export_matrix, 1, 0);
    riskGrid->addWidget(pushButton_univariate, 2, 0);
    pushButton_probability = button(QStringLiteral("概率分析"));
    riskGrid->addWidget(pushButton_probability, 3, 0);
    pushButton_export_matrix->setVisible(false);
    pushButton_export_matrix->setEnabled(false);
    pushButton_univariate->setEnabled(false);
    box->addWidget(risk);

    auto* lookup = new QGroupBox(QStringLiteral("查表:"));
    auto* lookupGrid = new QGridLayout(lookup);
    lookupGrid->addWidget(label(QStringLiteral("今价：")), 0, 0);
    lookupGrid->addWidget(lineEdit_lookup_S = makeLineEdit(QStringLiteral("100")), 0, 1);
    lookupGrid->addWidget(label(QStringLiteral("今日：")), 1, 0);
    lineEdit_lookup_date = makeLineEdit(QDate::currentDate().toString(QStringLiteral("yyyyMMdd")));
    lookupGrid->addWidget(lineEdit_lookup_date, 1, 1);
    checkBox_knocked_in = new QCheckBox(QStringLiteral("是否敲入"));
    lookupGrid->addWidget(checkBox_knocked_in, 2, 1);
    pushButton_lookup = button(QStringLiteral("查表"));
    pushButton_lookup->setEnabled(false);
    lookupGrid->addWidget(pushButton_lookup, 3, 1);
    box->addWidget(lookup);

    auto* greeks = new QGroupBox(QStringLiteral("Greeks:"));
    auto* greeksGrid = new QGridLayout(greeks);
    const struct { const char* caption; QLineEdit** field; } outputs[] = {
        {"价格:", &lineEdit_out_price}, {"Delta", &lineEdit_out_delta},
        {"Gamma", &lineEdit_out_gamma}, {"Theta(1D)", &lineEdit_out_theta},
        {"Vega", &lineEdit_out_vega},   {"Rho(1%)", &lineEdit_out_rho},
    };
    int row_index = 0;
    for (const auto& out : outputs) {
        *out.field = makeLineEdit(QString());
        greeksGrid->addWidget(label(QString::fromUtf8(out.caption)), row_index, 0);
        greeksGrid->addWidget(*out.field, row_index, 1);
        ++row_index;
    }
    lineEdit_out_price->setMinimumWidth(80);
    box->addWidget(greeks);

    auto* scenario = new QGroupBox(QStringLiteral("情景分析:"));
    auto* scenarioGrid = new QGridLayout(scenario);
    pushButton_stress_test = button(QStringLiteral("压力测试"));
    scenarioGrid->addWidget(pushButton_stress_test, 0, 0);
    box->addWidget(scenario);

    auto* pde = new QGroupBox(QStringLiteral("PDE参数:"));
    auto* pdeGrid = new QGridLayout(pde);
    pdeGrid->addWidget(label(QStringLiteral("价格上限")), 0, 0);
    pdeGrid->addWidget(lineEdit_Smax = makeLineEdit(QString()), 0, 1);
    pdeGrid->addWidget(label(QStringLiteral("M")), 1, 0);
    pdeGrid->addWidget(lineEdit_M = makeLineEdit(QStringLiteral("200")), 1, 1);
    pdeGrid->addWidget(label(QStringLiteral("N")), 2, 0);
    pdeGrid->addWidget(lineEdit_N = makeLineEdit(QStringLiteral("84")), 2, 1);
    pdeGrid->addWidget(label(QStringLiteral("小数位数:")), 3, 0);
    pdeGrid->addWidget(lineEdit_digits = makeLineEdit(QStringLiteral("4")), 3, 1);
    pdeGrid->addWidget(label(QStringLiteral("日数")), 4, 0);
    combo_days = new QComboBox;
    combo_days->addItem(QStringLiteral("自然日"));
    combo_days->addItem(QStringLiteral("交易日"));
    combo_days->setCurrentIndex(1);
    combo_days->setEnabled(false);
    pdeGrid->addWidget(combo_days, 4, 1);
    pdeGrid->addWidget(label(QStringLiteral("PDE年天数")), 5, 0);
    pdeGrid->addWidget(lineEdit_year_days = makeLineEdit(QStringLiteral("243")), 5, 1);
    checkBox_accurate = new QCheckBox(QStringLiteral("高精度"));
    checkBox_accurate->setToolTip(QStringLiteral("按合同监测（每日收盘敲入、观察日敲出）精确定价，并给出误差估计"));
    pdeGrid->addWidget(checkBox_accurate, 6, 0, 1, 2);
    box->addWidget(pde);
    return row;
}

void DialogCalculatorPDE::buildImportExportGroup()
{
    // Never placed in the window: its controls are hidden, but the actions
    // read and write their texts.
    group_import_export = new QGroupBox(QStringLiteral("导入导出"), this);
    group_import_export->setVisible(false);
    auto* row = new QHBoxLayout(group_import_export);
    row->addWidget(label(QStringLiteral("结构编号")));
    lineEdit_struct_id = makeLineEdit(QString());
    lineEdit_struct_id->setFixedWidth(120);
    row->addWidget(lineEdit_struct_id);
    row->addItem(hSpacer(80, 1, QSizePolicy::Expanding));
    pushButton_update = button(QStringLiteral("更新"));
    pushButton_save_CSV = button(QStringLiteral("导出CSV"));
    pushButton_default_param = button(QStringLiteral("缺省值"));
    for (QPushButton* b : {pushButton_update, pushButton_save_CSV, pushButton_default_param}) {
        b->setVisible(false);
        row->addWidget(b);
    }
    row->addItem(hSpacer(300, 1, QSizePolicy::Expanding));
    label_status = new QLabel;
    label_status->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    row->addWidget(label_status);

    lineEdit_open_price = makeLineEdit(QStringLiteral("100"));
    lineEdit_open_price->setParent(group_import_export);
    lineEdit_open_price->setVisible(false);
}

void DialogCalculatorPDE::nameWidgets()
{
#define KELVARA_NAME(widget) widget->setObjectName(QStringLiteral(#widget))
    KELVARA_NAME(editor_observe);
    KELVARA_NAME(combo_snowball);
    KELVARA_NAME(pushButton_snowball);
    KELVARA_NAME(combo_type);
    KELVARA_NAME(lineEdit_S);
    KELVARA_NAME(lineEdit_vol);
    KELVARA_NAME(lineEdit_rate);
    KELVARA_NAME(lineEdit_q);
    KELVARA_NAME(lineEdit_T);
    KELVARA_NAME(lineEdit_price);
    KELVARA_NAME(lineEdit_error);
    KELVARA_NAME(checkBox_accurate);
    KELVARA_NAME(lineEdit_coupon);
    KELVARA_NAME(lineEdit_div_coupon);
    KELVARA_NAME(lineEdit_ko);
    KELVARA_NAME(lineEdit_ki);
    KELVARA_NAME(lineEdit_floor);
    KELVARA_NAME(lineEdit_call_strike);
    KELVARA_NAME(lineEdit_participation);
    KELVARA_NAME(pushButton_price);
    KELVARA_NAME(pushButton_search_100);
    KELVARA_NAME(pushButton_price_MC);
    KELVARA_NAME(combo_target);
    KELVARA_NAME(lineEdit_range_start);
    KELVARA_NAME(lineEdit_range_end);
    KELVARA_NAME(lineEdit_range_target);
    KELVARA_NAME(pushButton_range);
    KELVARA_NAME(pushButton_calc_greeks);
    KELVARA_NAME(pushButton_export_matrix);
    KELVARA_NAME(pushButton_univariate);
    KELVARA_NAME(pushButton_probability);
    KELVARA_NAME(lineEdit_lookup_S);
    KELVARA_NAME(lineEdit_lookup_date);
    KELVARA_NAME(checkBox_knocked_in);
    KELVARA_NAME(pushButton_lookup);
    KELVARA_NAME(lineEdit_out_price);
    KELVARA_NAME(lineEdit_out_delta);
    KELVARA_NAME(lineEdit_out_gamma);
    KELVARA_NAME(lineEdit_out_theta);
    KELVARA_NAME(lineEdit_out_vega);
    KELVARA_NAME(lineEdit_out_rho);
    KELVARA_NAME(pushButton_stress_test);
    KELVARA_NAME(lineEdit_Smax);
    KELVARA_NAME(lineEdit_M);
    KELVARA_NAME(lineEdit_N);
    KELVARA_NAME(lineEdit_digits);
    KELVARA_NAME(combo_days);
    KELVARA_NAME(lineEdit_year_days);
    KELVARA_NAME(group_import_export);
    KELVARA_NAME(lineEdit_struct_id);
    KELVARA_NAME(pushButton_update);
    KELVARA_NAME(pushButton_save_CSV);
    KELVARA_NAME(pushButton_default_param);
    KELVARA_NAME(label_status);
    KELVARA_NAME(label_estimated);
    KELVARA_NAME(lineEdit_open_price);
    KELVARA_NAME(label_link);
#undef KELVARA_NAME
}

void DialogCalculatorPDE::connectSlots()
{
    using D = DialogCalculatorPDE;
    const auto indexChanged = QOverload<int>::of(&QComboBox::currentIndexChanged);
    connect(combo_type, indexChanged, this, &D::on_combo_type_changed);
    connect(combo_days, indexChanged, this, &D::on_combo_days_changed);
    connect(combo_snowball, indexChanged, this, &D::on_combo_snowball_changed);
    connect(lineEdit_T, &QLineEdit::textChanged, this, &D::on_T_changed);
    connect(lineEdit_S, &QLineEdit::textChanged, this, &D::on_S_changed);
    connect(pushButton_price, &QPushButton::clicked, this, &D::on_pushButton_price_clicked);
    connect(pushButton_search_100, &QPushButton::clicked, this, &D::on_pushButton_search_100_clicked);
    connect(pushButton_range, &QPushButton::clicked, this, &D::on_pushButton_range_clicked);
    connect(pushButton_price_MC, &QPushButton::clicked, this, &D::on_pushButton_price_MC_clicked);
    connect(pushButton_default_param, &QPushButton::clicked, this, &D::on_pushButton_default_param_clicked);
    connect(pushButton_snowball, &QPushButton::clicked, this, &D::on_pushButton_snowball_clicked);
    connect(editor_observe, &WidgetObserveGlobal::scheduleSaved, this, &D::on_observe_save_clicked);
    connect(pushButton_save_CSV, &QPushButton::clicked, this, &D::on_pushButton_save_CSV_clicked);
    connect(pushButton_update, &QPushButton::clicked, this, &D::on_pushButton_update_clicked);
    connect(pushButton_calc_greeks, &QPushButton::clicked, this, &D::on_pushButton_calc_greeks_clicked);
    connect(pushButton_lookup, &QPushButton::clicked, this, &D::on_pushButton_lookup_clicked);
    connect(pushButton_univariate, &QPushButton::clicked, this, &D::on_pushButton_univariate_clicked);
    connect(pushButton_stress_test, &QPushButton::clicked, this, &D::on_pushButton_stress_test_clicked);
    connect(pushButton_export_matrix, &QPushButton::clicked, this, &D::on_pushButton_export_matrix_clicked);
    connect(pushButton_probability, &QPushButton::clicked, this, &D::on_pushButton_probability_clicked);

    // Results belong to the terms that produced them: any change of a term
    // makes them stale, a change of the lookup inputs the lookup outputs.
    for (QLineEdit* term : {lineEdit_S, lineEdit_Smax, lineEdit_vol, lineEdit_rate, lineEdit_q, lineEdit_T,
                            lineEdit_M, lineEdit_N, lineEdit_year_days, lineEdit_ko, lineEdit_coupon, lineEdit_ki,
                            lineEdit_div_coupon, lineEdit_floor, lineEdit_call_strike, lineEdit_participation})
        connect(term, &QLineEdit::textChanged, this, &D::termsChanged);
    for (QComboBox* choice : {combo_type, combo_days, combo_snowball})
        connect(choice, indexChanged, this, &D::termsChanged);
    for (QLineEdit* input : {lineEdit_lookup_S, lineEdit_lookup_date, lineEdit_digits})
        connect(input, &QLineEdit::textChanged, this, &D::lookupInputsChanged);
    connect(checkBox_knocked_in, &QCheckBox::toggled, this, &D::lookupInputsChanged);
    connect(checkBox_accurate, &QCheckBox::toggled, this, &D::termsChanged);
}

// ---- Inputs ---------------------------------------------------------------

namespace {

const char* const kNoCalendar = "无法加载交易日历(trade_calendar.csv)，无法按交易日计算观察日";
const char* const kPriceStale = "条款已修改：此价格不再对应当前条款，请重新点击【定价】";
const char* const kGreeksStale = "条款已修改：此结果不再对应当前条款，请重新点击【风险指标计算】";
const char* const kLookupStale = "查表输入已修改，请重新点击【查表】";
const char* const kGridStale = "条款已修改，网格不再对应当前条款，请先点击【风险指标计算】";
const char* const kTermsStale = "条款已修改，结构信息不再对应当前条款，请先点击【定价】";
const char* const kProbabilityStale = "条款已修改：此结果不再对应当前条款，请重新点击【定价】和【概率分析】";

}  // namespace

StructureTexts DialogCalculatorPDE::fieldTexts() const
{
    StructureTexts t;
    t.S = lineEdit_S->text();
    t.Smax = lineEdit_Smax->text();
    t.vol = lineEdit_vol->text();
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
    t.observeDates = schedule.dates;
    t.startDate = schedule.start.toString(QStringLiteral("yyyyMMdd"));
    t.expiryDate = schedule.expiry.toString(QStringLiteral("yyyyMMdd"));
    return t;
}

bool DialogCalculatorPDE::collectInputs()
{
    const StructureTerms terms = structureTerms(fieldTexts(), calendar);
    applyTerms(*engine, terms);
    return terms.obsTimesOk;
}

bool DialogCalculatorPDE::validateObserveDates(QString& error) const
{
    return ::validateObserveDates(fieldTexts(), error);
}

bool DialogCalculatorPDE::validateStructure(QString& error, bool spotOnly) const
{
    return ::validateStructure(fieldTexts(), spotOnly, error);
}

bool DialogCalculatorPDE::checkInitialised()
{
    if (engine->initialised)
        return true;
    prompt::critical(this, QStringLiteral("错误:"), QStringLiteral("结构信息未初始化，请先点击【定价】"));
    return false;
}

void DialogCalculatorPDE::reportMissingCalendar()
{
    prompt::critical(this, QStringLiteral("错误:"), QString::fromUtf8(kNoCalendar));
}

void DialogCalculatorPDE::reportLogFileFailure()
{
    prompt::warning(this, QStringLiteral("请注意："),
                    QStringLiteral("无法写入日志文件，本次运行的日志只输出到控制台：\n%1")
                        .arg(QString::fromLocal8Bit(AppLogger::instance().file_error().c_str())));
}

bool DialogCalculatorPDE::calendarUsable(const QString& title)
{
    // Trading-day times need the calendar; without it every time would be NaN.
    if (combo_days->currentIndex() != 1 || !calendar.empty())
        return true;
    prompt::critical(this, title, QString::fromUtf8(kNoCalendar));
    return false;
}

bool DialogCalculatorPDE::fieldsReadable(const QString& title)
{
    QString error;
    if (checkStructureTexts(fieldTexts(), error))
        return true;
    prompt::critical(this, title, error);
    return false;
}

bool DialogCalculatorPDE::termsUsable(const StructureTerms& terms, const QString& title)
{
    if (!terms.obsTimesOk) {
        prompt::critical(this, title, QString::fromUtf8(kNoCalendar));
        return false;
    }
    const int yearDays = fieldInt(lineEdit_year_days->text());
    const PricingMethod method = accurateTicked() ? PricingMethod::Accurate : PricingMethod::DesignGrid;
    const QString why = yearDays <= 0 ? QStringLiteral("PDE年天数应大于0")
                                      : refusalText(pricing_refusal(pricingRequest(terms, PayoffForm::Note, yearDays,
                                                                                  method)));
    if (why.isEmpty())
        return true;
    prompt::critical(this, title, why);
    return false;
}

bool DialogCalculatorPDE::prepareHandOver(Snowball_PDE& fresh, const QString& title)
{
    const StructureTerms terms = structureTerms(fieldTexts(), calendar);
    if (!termsUsable(terms, title))
        return false;
    handOver(fresh, terms, combo_type->currentIndex() == 1 ? PayoffForm::Option : PayoffForm::Note);
    applyPricingMode(fresh);
    fresh.set_trace_hook(consoleTrace);
    return true;
}

void DialogCalculatorPDE::updateMaturityDays(const QDate& start, const QDate& expiry)
{
    // No calendar (-1) or no day between the dates: no maturity to show.
    const int days = calendar.count_trading_days(dateToInt(start), dateToInt(expiry), 1);
    lineEdit_T->setText(days >= 1 ? QString::number(days) : QString());
    lineEdit_N->setText(days >= 1 ? QString::number(days - 1) : QString());
    updateEstimatedYears(start, expiry);
}

void DialogCalculatorPDE::updateEstimatedYears(const QDate& start, const QDate& expiry)
{
    QStringList years;
    if (start.isValid() && expiry.isValid()) {
        const int from = std::min(start.year(), expiry.year()), to = std::max(start.year(), expiry.year());
        for (int year : calendar.estimated_years())
            if (year >= from && year <= to)
                years << QStringLiteral("%1年").arg(year);
    }
    label_estimated->setVisible(!years.isEmpty());
    label_estimated->setToolTip(years.isEmpty() ? QString()
                                                : QStringLiteral("%1交易日为估算，官方休市安排公布后请更新交易日历")
                                                      .arg(years.join(QStringLiteral("、"))));
}

void DialogCalculatorPDE::markPriceCeiling(const Snowball_PDE& run)
{
    const PDEParams& x = run.params;
    const double chance = run.method == PricingMethod::Accurate
                              ? 0.0  // the accurate mode sizes its own grid
                              : ceiling_reach_chance(x.S0, x.S_max, x.sigma, x.r, x.q, x.T);
    if (!(chance > kCeilingReachLimit)) {
        lineEdit_Smax->setStyleSheet(QString());
        lineEdit_Smax->setToolTip(QString());
        lineEdit_Smax->setProperty("ceilingLow", false);
        return;
    }
    const double safer = safe_price_ceiling(x.S0, x.sigma, x.r, x.q, x.T);
    const double keepStepM = std::ceil(x.M * safer / x.S_max);
    lineEdit_Smax->setStyleSheet(QStringLiteral("background-color: #ffd8a8;"));
    lineEdit_Smax->setToolTip(QStringLiteral("价格上限 %1 偏低：在此波动率和期限下，标的在到期前触及上限的概率约为 %2%，"
                                             "价格可能失真。建议价格上限取 %3（M 取 %4 以保持价格步长）。")
                                  .arg(QString::number(x.S_max, 'g', 6), QString::number(100.0 * chance, 'g', 2),
                                       QString::number(safer, 'g', 6), QString::number(keepStepM, 'g', 10)));
    lineEdit_Smax->setProperty("ceilingLow", true);
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

void DialogCalculatorPDE::termsChanged()
{
    grid_current = false;
    terms_current = false;
    if (panel_probability)
        panel_probability->markStale(QString::fromUtf8(kProbabilityStale));
    setResultStale(lineEdit_price, QString::fromUtf8(kPriceStale));
    setResultStale(lineEdit_error, QString::fromUtf8(kPriceStale));
    for (QLineEdit* out : greekOutputs())
        setResultStale(out, QString::fromUtf8(kGreeksStale));
}

void DialogCalculatorPDE::lookupInputsChanged()
{
    for (QLineEdit* out : greekOutputs())
        setResultStale(out, QString::fromUtf8(grid_current ? kLookupStale : kGreeksStale));
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

// ---- Accurate mode ------------------------------------------------------------

bool DialogCalculatorPDE::accurateTicked() const
{
    return checkBox_accurate->isChecked();
}

void DialogCalculatorPDE::applyPricingMode(Snowball_PDE& run) const
{
    run.method = accurateTicked() ? PricingMethod::Accurate : PricingMethod::DesignGrid;
    run.year_days = fieldInt(lineEdit_year_days->text());
}

QString DialogCalculatorPDE::errorText(double estimate) const
{
    // Three decimals, or more when the digits field asks for them.
    bool ok = false;
    const int digits = lineEdit_digits->text().trimmed().toInt(&ok);
    const int decimals = ok && digits > 3 && digits <= 12 ? digits : 3;
    return QStringLiteral("±") + QString::number(estimate, 'f', decimals);
}

void DialogCalculatorPDE::showGreeksRefused()
{
    grid_current = false;
    for (QLineEdit* out : greekOutputs()) {
        out->setText(QStringLiteral("-"));
        setResultFresh(out);
    }
}

// ---- Pricing, Greeks, lookup -----------------------------------------------

void DialogCalculatorPDE::on_pushButton_price_clicked()
{
    const QString title = QStringLiteral("结构参数错误");
    if (!calendarUsable(QStringLiteral("观察日参数错误"))) {
        showPriceRefused();
        return;
    }
    QString error;
    if (!validateObserveDates(error)) {
        prompt::critical(this, QStringLiteral("观察日参数错误"), error);
        showPriceRefused();
        return;
    }
    if (!fieldsReadable(title)) {
        showPriceRefused();
        return;
    }
    if (!validateStructure(error, false)) {
        prompt::critical(this, title, error);
        showPriceRefused();
        return;
    }
    auto fresh = std::make_unique<Snowball_PDE>();
    if (!prepareHandOver(*fresh, title)) {
        showPriceRefused();
        return;
    }

    if (!gridFitsMemory(this, title, *fresh, GridUse::PriceOnly)) {
        showPriceRefused();
        return;
    }

    label_status->setText(QStringLiteral("正在计算..."));
    double value = std::numeric_limits<double>::quiet_NaN();
    Snowball_PDE* run = fresh.get();
    const bool accurate = run->method == PricingMethod::Accurate;
    const RunPlan plan = runPlan(*run, 1);
    const RunOutcome outcome =
        runGridWork(this, plan.background, QStringLiteral("正在定价..."), plan.steps,
                    [run, &value](const ProgressHook& hook) {
                        run->set_progress_hook(hook);
                        value = run->price();
                        run->set_progress_hook(ProgressHook());
                    });
    if (outcome == RunOutcome::Cancelled) {  // what was shown stays as it was
        label_status->clear();
        return;
    }
    if (std::isnan(value)) {
        prompt::critical(this, title, QStringLiteral("无法对结构进行定价（原因见日志）"));
        showPriceRefused();
        label_status->clear();
        return;
    }
    // The terms go over; the grids of the last Greeks run stay (and stay stale).
    engine->copy_structure_from(*fresh);
    terms_current = true;
    markPriceCeiling(*fresh);
    lineEdit_price->setText(QString::number(value, 'f', 2));
    setResultFresh(lineEdit_price);
    lineEdit_error->setText(accurate ? errorText(fresh->error_estimate) : QString());
    setResultFresh(lineEdit_error);
    label_status->setText(QStringLiteral("计算已完成"));
}

void DialogCalculatorPDE::on_pushButton_calc_greeks_clicked()
{
    const QString title = QStringLiteral("错误:");
    if (!checkInitialised())
        return;
    if (!calendarUsable(title) || !fieldsReadable(title)) {
        showGreeksRefused();
        return;
    }
    const StructureTerms terms = structureTerms(fieldTexts(), calendar);
    if (!termsUsable(terms, title)) {
        showGreeksRefused();
        return;
    }
    // The product type stays as the last pricing handed it over.
    auto fresh = std::make_unique<Snowball_PDE>();
    fresh->copy_structure_from(*engine);
    applyTerms(*fresh, terms);
    applyPricingMode(*fresh);

    // Accurate mode keeps no grids: the lookup solves at its spot and date.
    if (fresh->method == PricingMethod::Accurate) {
        engine.swap(fresh);
        grid_current = true;
        pushButton_univariate->setEnabled(true);
        pushButton_lookup->setEnabled(true);
        on_pushButton_lookup_clicked();
        AppLogger::instance().log(AppLogger::Info, "%s accurate calc %s",
                                  lineEdit_struct_id->text().toUtf8().constData(),
                                  engine->description().c_str());
        return;
    }

    if (!gridFitsMemory(this, title, *fresh, GridUse::KeepGrids)) {
        showGreeksRefused();
        return;
    }
    Snowball_PDE* run = fresh.get();
    bool ok = false;
    const RunPlan plan = runPlan(*run, 3);
    const RunOutcome outcome =
        runGridWork(this, plan.background, QStringLiteral("正在计算风险指标..."),
                    plan.steps, [run, &ok](const ProgressHook& hook) {
                        run->set_progress_hook(hook);
                        ok = run->calculate();
                        run->set_progress_hook(ProgressHook());
                        if (!ok)
                            return;
                        const std::time_t before = std::time(nullptr);
                        ok = run->create_Greeks();
                        const std::time_t after = std::time(nullptr);
                        AppLogger::instance().log(AppLogger::Info, "create_Greeks uses %d seconds.",
                                                  static_cast<int>(after - before));
                    });
    if (outcome == RunOutcome::Cancelled)  // the previous grids and outputs stay
        return;
    if (!ok) {
        prompt::critical(this, title, QStringLiteral("无法对结构进行定价"));
        showGreeksRefused();
        return;
    }
    engine.swap(fresh);
    grid_current = true;
    terms_current = true;

    pushButton_export_matrix->setEnabled(true);
    pushButton_univariate->setEnabled(true);
    pushButton_lookup->setEnabled(true);
    on_pushButton_lookup_clicked();

    AppLogger::instance().log(AppLogger::Info, "%s calc %s",
                              lineEdit_struct_id->text().toUtf8().constData(),
                              engine->description().c_str());
}

void DialogCalculatorPDE::on_pushButton_lookup_clicked()
{
    const QString title = QStringLiteral("错误:");
    const bool accurate = engine->method == PricingMethod::Accurate;
    if (!engine->initialised || (!accurate && std::isnan(engine->dt))) {
        prompt::critical(this, title, QStringLiteral("无法查找PDE"));
        return;
    }
    if (!grid_current) {
        prompt::critical(this, title, QString::fromUtf8(kGridStale));
        return;
    }
    QString error;
    double S = 0, Y = 0;
    int digits = 0;
    if (!readNumberField(QStringLiteral("今价："), lineEdit_lookup_S->text(), S, error)
        || !readNumberField(QStringLiteral("PDE年天数"), lineEdit_year_days->text(), Y, error)
        || !readIntField(QStringLiteral("小数位数:"), lineEdit_digits->text(), digits, error)) {
        prompt::critical(this, title, error);
        return;
    }
    if (digits < 0 || digits > 12) {
        prompt::critical(this, title, QStringLiteral("“小数位数:”应在0到12之间"));
        return;
    }
    const QString format = QStringLiteral("yyyyMMdd");
    const QDate day = QDate::fromString(lineEdit_lookup_date->text().trimmed(), format);
    if (!day.isValid()) {
        prompt::critical(this, title,
                         QStringLiteral("“今日：”不是有效的日期(yyyyMMdd)：%1").arg(lineEdit_lookup_date->text()));
        return;
    }
    // The grids end at the expiry of the schedule they were computed for.
    const QDate expiry = schedule.expiry;
    if (day > expiry) {
        prompt::critical(this, title,
                         QStringLiteral("查表日期 %1 晚于到期日 %2")
                             .arg(day.toString(QStringLiteral("yyyy/MM/dd")),
                                  expiry.toString(QStringLiteral("yyyy/MM/dd"))));
        return;
    }
    const bool knockedIn = checkBox_knocked_in->isChecked();
    const double tau = year_fraction(calendar, dateToInt(day), dateToInt(expiry), Y);

    if (accurate) {
        showAccurateLookup(S, tau, knockedIn, Y, digits);
        return;
    }
    auto show = [this, digits](QLineEdit* field, double value) {
        field->setText(fixedText(value, digits));
        setResultFresh(field);
    };
    const LookupGreeks g = lookupGreeks(*engine, S, tau, knockedIn, Y);
    show(lineEdit_out_price, g.price);
    show(lineEdit_out_delta, g.delta);
    show(lineEdit_out_gamma, g.gamma);
    show(lineEdit_out_theta, g.theta);
    show(lineEdit_out_vega, g.vega);
    show(lineEdit_out_rho, g.rho);
}

void DialogCalculatorPDE::showAccurateLookup(double S, double tau, bool knockedIn, double yearDays, int digits)
{
    const QString title = QStringLiteral("错误:");
    GreeksValuation raw{};
    Snowball_PDE* run = engine.get();
    const RunPlan plan = runPlan(*run, 5, tau);
    const RunOutcome outcome = runGridWork(this, plan.background, QStringLiteral("正在计算风险指标..."),
                                           plan.steps, [run, &raw, S, tau, knockedIn](const ProgressHook& hook) {
                                               run->set_progress_hook(hook);
                                               raw = run->accurate_lookup(S, tau, knockedIn);
                                               run->set_progress_hook(ProgressHook());
                                           });
    if (outcome == RunOutcome::Cancelled)  // the outputs stay as they were
        return;
    if (!raw.error.empty()) {
        prompt::critical(this, title, QStringLiteral("无法查找：") + QString::fromStdString(raw.error));
        for (QLineEdit* out : greekOutputs()) {
            out->setText(QStringLiteral("-"));
            setResultFresh(out);
        }
        return;
    }
    const LookupGreeks g = lookupGreeks(raw, yearDays);
    const QList<QPair<QLineEdit*, double>> shown = {{lineEdit_out_price, g.price}, {lineEdit_out_delta, g.delta},
                                                   {lineEdit_out_gamma, g.gamma}, {lineEdit_out_theta, g.theta},
                                                   {lineEdit_out_vega, g.vega},   {lineEdit_out_rho, g.rho}};
    for (const auto& field : shown) {
        field.first->setText(fixedText(field.second, digits));
        setResultFresh(field.first);
    }
    lineEdit_out_price->setToolTip(QStringLiteral("误差估计 ") + errorText(raw.error_estimate.value_or(std::numeric_limits<double>::quiet_NaN())));
}

void DialogCalculatorPDE::on_pushButton_export_matrix_clicked()
{
    if (!engine->initialised)
        return;
    if (!grid_current || std::isnan(engine->dt)) {
        prompt::critical(this, QStringLiteral("错误:"), QString::fromUtf8(kGridStale));
        return;
    }
    const QString path = prompt::saveFileName(this, QStringLiteral("保存PDE矩阵"),
                                              platformPath(QStringLiteral("e:\\data")),
                                              QStringLiteral("csv files (*.csv)"));
    if (path.isEmpty())  // cancelled: nothing is written
        return;
    // Whole blocks under the writer's lock: a failed write leaves the file as it was.
    const std::string text = matrices_text(*engine);
    const files::WriteStatus written = files::writeWhole(
        path, files::WriteMode::Append, QByteArray(text.data(), static_cast<int>(text.size())));
    if (!written)
        warnNotWritten(this, path, written.message);
}

void DialogCalculatorPDE::on_pushButton_update_clicked()
{
    // Nothing is stored by this action, so it says so.
    prompt::information(this, QStringLiteral("错误："),
                        QStringLiteral("未保存矩阵：") + lineEdit_struct_id->text());
}

void DialogCalculatorPDE::on_pushButton_price_MC_clicked()
{
    if (!calendarUsable(QStringLiteral("错误:")) || !fieldsReadable(QStringLiteral("错误:")))
        return;
    if (accurateTicked()) {
        priceReferenceMonteCarlo();
        return;
    }
    collectInputs();
    const double value = price_monte_carlo(engine->contract, engine->params, 252, 50000);
    lineEdit_lookup_S->setText(QString::number(value, 'g', 6));
}

void DialogCalculatorPDE::priceReferenceMonteCarlo()
{
    const QString title = QStringLiteral("错误:");
    auto fresh = std::make_unique<Snowball_PDE>();
    fresh->copy_structure_from(*engine);
    const StructureTerms terms = structureTerms(fieldTexts(), calendar);
    if (!termsUsable(terms, title))
        return;
    applyTerms(*fresh, terms);
    applyPricingMode(*fresh);

    // The contract's own monitoring on exact steps: a check of the accurate
    // price to within its standard error. The hook's calls come about ten a second.
    ReferenceMcSettings settings;
    settings.paths = 400000;
    ReferenceMcResult result;
    const Snowball_PDE* run = fresh.get();
    const RunOutcome outcome = runGridWork(this, true, QStringLiteral("正在进行蒙特卡洛模拟..."), 0.0,
                                           [run, &settings, &result](const ProgressHook& hook) {
                                               result = reference_monte_carlo(run->contract, run->params,
                                                                              run->year_days, settings, hook);
                                           });
    if (outcome == RunOutcome::Cancelled)
        return;
    if (!result.ok()) {
        prompt::critical(this, title, QStringLiteral("无法进行蒙特卡洛定价：") + QString::fromStdString(result.error));
        return;
    }
    lineEdit_price->setText(QString::number(result.price, 'f', 2));
    setResultFresh(lineEdit_price);
    lineEdit_error->setText(errorText(result.standard_error));
    setResultFresh(lineEdit_error);
    const QString source = QStringLiteral("参考蒙特卡洛：%1 条路径，误差为标准误").arg(result.paths);
    lineEdit_price->setToolTip(source);
    lineEdit_error->setToolTip(source);
}

// ---- Target solving -----------------------------------------------------------

void DialogCalculatorPDE::on_pushButton_range_clicked()
{
    QString error;
    if (!validateStructure(error, true)) {
        prompt::critical(this, QStringLiteral("结构参数错误："), error);
        return;
    }
    const QString title = QStringLiteral("结构参数错误：");
    if (!calendarUsable(title) || !fieldsReadable(title))
        return;
    double target = 0, lo = 0, hi = 0;
    if (!readNumberField(QStringLiteral("目标值:"), lineEdit_range_target->text(), target, error)
        || !readNumberField(QStringLiteral("区间开始:"), lineEdit_range_start->text(), lo, error)
        || !readNumberField(QStringLiteral("区间结束:"), lineEdit_range_end->text(), hi, error)) {
        prompt::critical(this, title, error);
        return;
    }
    label_status->setText(QStringLiteral("正在计算..."));
    Snowball_PDE fresh;
    if (!prepareHandOver(fresh, title) || !gridFitsMemory(this, title, fresh, GridUse::PriceOnly)) {
        label_status->clear();
        return;
    }
    // solve_param puts the solved term back: the engine keeps the terms handed over.
    engine->copy_structure_from(fresh);

    double result = 0;
    SearchStatus status = SearchStatus::Found;
    switch (combo_target->currentIndex()) {
    case 1:
        status = engine->solve_param(target, Param::CouponAndDiv, &result, lo, hi);
        if (status == SearchStatus::Found) {
            const QString text = QString::number(result * 100, 'f', 1);
            lineEdit_coupon->setText(text);
            lineEdit_div_coupon->setText(text);
        }
        break;
    case 0:
        status = engine->solve_param(target, Param::Sigma, &result, lo, hi);
        if (status == SearchStatus::Found)
            lineEdit_vol->setText(QString::number(result * 100, 'f', 1));
        break;
    default:
        prompt::information(this, QStringLiteral("提示:"), QStringLiteral("请点击要计算的参数前的单选按钮！"));
        label_status->clear();
        return;
    }

    if (status == SearchStatus::Found) {
        label_status->setText(QStringLiteral("计算已完成"));
        return;
    }
    const SearchStatusText message = searchStatusText(status);
    if (message.critical) {
        prompt::critical(this, message.title, message.text);
        label_status->clear();
        return;
    }
    prompt::information(this, message.title, message.text + QString::fromUtf8(kSolveHint));
    label_status->setText(QStringLiteral("计算已完成"));
}

// ---- Panels -----------------------------------------------------------------

void DialogCalculatorPDE::on_pushButton_univariate_clicked()
{
    if (!checkInitialised())
        return;
    PanelGreeks_UA panel(fieldNumber(lineEdit_S->text()));
    panel.engine.copy_structure_from(*engine);
    panel.setCaller(this);
    panel.setRange(Param::Sigma, fieldNumber(lineEdit_range_start->text()), fieldNumber(lineEdit_range_end->text()),
                   0.05);
    panel.exec();
}

void DialogCalculatorPDE::on_pushButton_search_100_clicked()
{
    const QString title = QStringLiteral("结构参数错误：");
    if (!fieldsReadable(title))
        return;
    QString error;
    if (!validateStructure(error, false)) {
        prompt::critical(this, title, error);
        return;
    }
    collectInputs();
    on_pushButton_univariate_clicked();
}

void DialogCalculatorPDE::on_pushButton_stress_test_clicked()
{
    if (!panel_stress)
        panel_stress = std::make_unique<PanelStress>();
    panel_stress->engine.copy_structure_from(*engine);
    panel_stress->show();
    panel_stress->raise();
}

QStringList DialogCalculatorPDE::observationDisplayDates() const
{
    QStringList shown;
    for (const QString& text : schedule.dates.split(QLatin1Char('_'), Qt::SkipEmptyParts)) {
        const QDate date = QDate::fromString(text.trimmed(), QStringLiteral("yyyyMMdd"));
        if (!date.isValid())
            return QStringList();
        shown << date.toString(QStringLiteral("yyyy/MM/dd"));
    }
    return shown;
}

void DialogCalculatorPDE::on_pushButton_probability_clicked()
{
    if (!checkInitialised())
        return;
    // The engine holds the terms of the last pricing: refuse to describe a
    // structure that is no longer the one on screen.
    if (!terms_current) {
        prompt::critical(this, QStringLiteral("错误:"), QString::fromUtf8(kTermsStale));
        return;
    }
    if (!panel_probability)
        panel_probability = std::make_unique<PanelProbability>();
    panel_probability->setStructure(*engine, observationDisplayDates());
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
    case Param::Sigma: lineEdit_vol->setText(text); break;
    case Param::DivCoupon: lineEdit_div_coupon->setText(text); break;
    case Param::CouponAndDiv:
        lineEdit_coupon->setText(text);
        lineEdit_div_coupon->setText(text);
        break;
    }
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
    if (!calendar.empty()) {
        const QDate today = QDate::currentDate();
        editor_observe->setSchedule(today, today.addYears(1), lineEdit_ko->text(), lineEdit_coupon->text(),
                                    lineEdit_ki->text());
    }
    schedule = editor_observe->savedSchedule();
    updateMaturityDays(schedule.start, schedule.expiry);
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
    for (QLineEdit* field : {lineEdit_floor, lineEdit_call_strike, lineEdit_participation}) {
        field->setText(QStringLiteral("0"));
        field->setEnabled(false);
    }
    switch (index) {
    case 0:
        lineEdit_floor->setEnabled(true);
        lineEdit_call_strike->setEnabled(true);
        lineEdit_participation->setEnabled(true);
        editor_observe->useOneValueForAllDates();
        break;
    case 1:
        editor_observe->useOneValueForAllDates();
        break;
    case 2:
        lineEdit_floor->setEnabled(true);
        editor_observe->useOneValueForAllDates();
        break;
    case 3:
        lineEdit_call_strike->setEnabled(true);
        lineEdit_participation->setEnabled(true);
        editor_observe->useOneValueForAllDates();
        break;
    case 4:
    case 5:
        editor_observe->useValuePerDate();
        break;
    default:
        break;
    }
}

void DialogCalculatorPDE::on_observe_save_clicked(const SavedSchedule& saved)
{
    schedule = saved;
    lineEdit_ko->setText(saved.ko);
    lineEdit_coupon->setText(saved.coupon);
    lineEdit_ki->setText(saved.ki);
    updateMaturityDays(saved.start, saved.expiry);
    termsChanged();  // the schedule is a term even when no field text changed
}

void DialogCalculatorPDE::on_pushButton_snowball_clicked()
{
    prompt::information(this, QStringLiteral("雪球类别"), QString::fromUtf8(kCategoryHelp));
}

// ---- Structure CSV ------------------------------------------------------------

void DialogCalculatorPDE::on_pushButton_save_CSV_clicked()
{
    StructureRecordFields fields;
    fields.openPrice = fieldNumber(lineEdit_open_price->text());
    fields.knockOut = fieldNumber(lineEdit_ko->text());
    fields.knockIn = fieldNumber(lineEdit_ki->text());
    fields.couponOut = fieldNumber(lineEdit_coupon->text());
    fields.couponDiv = fieldNumber(lineEdit_div_coupon->text());
    fields.callStrike = fieldNumber(lineEdit_call_strike->text());
    fields.partRate = fieldNumber(lineEdit_participation->text());
    fields.dateBegin = dateToInt(schedule.start);
    fields.dateEnd = dateToInt(schedule.expiry);
    fields.volatility = fieldNumber(lineEdit_vol->text());
    fields.observe = schedule.dates;

    if (!observeFitsRecord(fields.observe)) {
        prompt::warning(this, QStringLiteral("请注意："),
                        QStringLiteral("观察日文本超过%1个字符，无法写入CSV文件，未保存。")
                            .arg(kObserveMaxLength));
        return;
    }
    const QString path = platformPath(QStringLiteral("e://autocall.csv"));
    const files::WriteStatus written = appendStructureRecordTo(path, fields);
    if (!written)
        warnNotWritten(this, path, written.message);
}
