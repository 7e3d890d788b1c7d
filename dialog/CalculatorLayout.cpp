// The window's widgets: what each group holds, where it sits, what each
// widget is called and which slot each signal reaches.
#include "DialogCalculatorPDE.h"

#include "WidgetFactories.h"
#include "WidgetObserveGlobal.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QDate>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpacerItem>
#include <QTextCodec>
#include <QUrl>
#include <QVBoxLayout>

#include <algorithm>

namespace {

// The category names as stored in the GBK code page.
const char* const kCategoryItemsGbk[] = {
    "\xD7\xD4\xB6\xA8\xD2\xE5",                  // 自定义
    "\xBE\xAD\xB5\xE4\xD1\xA9\xC7\xF2",          // 经典雪球
    "\xB1\xA3\xB5\xD7\xD1\xA9\xC7\xF2",          // 保底雪球
    "\xB2\xCE\xD3\xEB\xD0\xCD\xD1\xA9\xC7\xF2",  // 参与型雪球
    "\xBD\xD7\xCC\xDD\xD0\xCD\xD1\xA9\xC7\xF2",  // 阶梯型雪球
    "\xCB\xAB\xBD\xB5\xD0\xCD\xD1\xA9\xC7\xF2",  // 双降型雪球
};

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
    editor_observe = new WidgetObserveGlobal(controller_.calendar());
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
    place(4, 4, QStringLiteral("波动率平移(%)"), lineEdit_vol_shift = makeLineEdit(QStringLiteral("0")));
    lineEdit_vol_shift->setEnabled(false);  // with market files only

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
    pdeGrid->addWidget(checkBox_accurate, 6, 0);
    pushButton_market = button(QStringLiteral("市场数据"));
    pushButton_market->setToolTip(QStringLiteral("载入、查看和清除高精度模式使用的利率、分红、波动率曲线，局部波动率网格和隐含波动率曲面"));
    pdeGrid->addWidget(pushButton_market, 6, 1);
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
    KELVARA_NAME(lineEdit_vol_shift);
    KELVARA_NAME(lineEdit_rate);
    KELVARA_NAME(lineEdit_q);
    KELVARA_NAME(lineEdit_T);
    KELVARA_NAME(lineEdit_price);
    KELVARA_NAME(lineEdit_error);
    KELVARA_NAME(checkBox_accurate);
    KELVARA_NAME(pushButton_market);
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
    connect(pushButton_probability, &QPushButton::clicked, this, &D::analyseProbabilities);
    connect(pushButton_market, &QPushButton::clicked, this, &D::openMarketData);

    // Results belong to the terms that produced them: any change of a term
    // makes them stale, a change of the lookup inputs the lookup outputs.
    for (QLineEdit* term : {lineEdit_S, lineEdit_Smax, lineEdit_vol, lineEdit_vol_shift, lineEdit_rate, lineEdit_q,
                            lineEdit_T, lineEdit_M, lineEdit_N, lineEdit_year_days, lineEdit_ko, lineEdit_coupon,
                            lineEdit_ki, lineEdit_div_coupon, lineEdit_floor, lineEdit_call_strike,
                            lineEdit_participation})
        connect(term, &QLineEdit::textChanged, this, &D::markResultsStale);
    for (QComboBox* choice : {combo_type, combo_days, combo_snowball})
        connect(choice, indexChanged, this, &D::markResultsStale);
    for (QLineEdit* input : {lineEdit_lookup_S, lineEdit_lookup_date, lineEdit_digits})
        connect(input, &QLineEdit::textChanged, this, &D::markLookupStale);
    connect(checkBox_knocked_in, &QCheckBox::toggled, this, &D::markLookupStale);
    connect(checkBox_accurate, &QCheckBox::toggled, this, &D::markResultsStale);
}
