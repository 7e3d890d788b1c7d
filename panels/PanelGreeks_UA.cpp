#include "PanelGreeks_UA.h"

#include "BackgroundRun.h"
#include "GridLimitWarning.h"
#include "ParamTarget.h"
#include "PlotCurve.h"
#include "Prompt.h"
#include "StressGrid.h"
#include "StrictFields.h"
#include "TermTable.h"
#include "UnivariateScan.h"

#include <QColor>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSizePolicy>
#include <QSpacerItem>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

namespace {

const char* const kTermsStale = "条款已修改，结构信息不再对应当前条款，请先点击【定价】";

QString numberText(double v)
{
    return QString::number(v, 'g', 6);
}

}  // namespace

PanelGreeks_UA::PanelGreeks_UA(double target, QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QString::fromUtf8("场外衍生品 单变量-价格分析"));
    setupUi();
    lineEdit_target->setText(numberText(target));
    const TermSpec& sigma = termSpec(Param::Sigma);
    setRange(sigma.id, sigma.start, sigma.end, sigma.step);
}

PanelGreeks_UA::~PanelGreeks_UA() = default;

void PanelGreeks_UA::setupUi()
{
    auto* top = new QVBoxLayout(this);
    auto* row = new QHBoxLayout;
    top->addLayout(row);

    auto label = [this, row](const char* text) { row->addWidget(new QLabel(QString::fromUtf8(text), this)); };
    auto field = [this, row](const char* text, const char* name) {
        auto* edit = new QLineEdit(QString::fromUtf8(text), this);
        edit->setObjectName(QString::fromLatin1(name));
        // Room for eight characters such as 0.123456 or 102.5625.
        edit->setMinimumWidth(edit->fontMetrics().horizontalAdvance(QStringLiteral("00000000")) + 12);
        row->addWidget(edit);
        return edit;
    };

    label("目标变量:");
    comboBox_param = new QComboBox(this);
    comboBox_param->setObjectName(QStringLiteral("comboBox_param"));
    for (const TermSpec& term : termTable())
        comboBox_param->addItem(QString::fromUtf8(term.caption));
    row->addWidget(comboBox_param);
    label("开始:");
    lineEdit_start = field("", "lineEdit_start");
    label("结束:");
    lineEdit_end = field("", "lineEdit_end");
    label("步长:");
    lineEdit_step = field("", "lineEdit_step");
    lineEdit_step->setEnabled(false);
    label("目标值:");
    lineEdit_target = field("100", "lineEdit_target");
    label("最近值:");
    lineEdit_nearest = field("-", "lineEdit_nearest");
    label("参数:");
    lineEdit_param = field("-", "lineEdit_param");
    pushButton_use = new QPushButton(QString::fromUtf8("使用"), this);
    pushButton_use->setObjectName(QStringLiteral("pushButton_use"));
    row->addWidget(pushButton_use);
    label("偏差:");
    lineEdit_deviation = field("-", "lineEdit_deviation");
    lineEdit_deviation->setEnabled(false);
    lineEdit_deviation->setStyleSheet(QStringLiteral("color:red"));
    row->addItem(new QSpacerItem(50, 0, QSizePolicy::Expanding, QSizePolicy::Minimum));
    pushButton_more = new QPushButton(QString::fromUtf8("更精确..."), this);
    pushButton_more->setObjectName(QStringLiteral("pushButton_more"));
    pushButton_more->setEnabled(false);
    pushButton_more->setStyleSheet(QStringLiteral("font-size:18px;color:red"));
    row->addWidget(pushButton_more);
    pushButton_analyse = new QPushButton(QString::fromUtf8("分析"), this);
    pushButton_analyse->setObjectName(QStringLiteral("pushButton_analyse"));
    row->addWidget(pushButton_analyse);

    label_status = new QLabel(this);
    label_status->setObjectName(QStringLiteral("label_status"));
    label_status->setStyleSheet(QStringLiteral("color: red;"));
    label_status->setVisible(false);
    top->addWidget(label_status);

    plot = new PlotCurve;
    plot->setObjectName(QStringLiteral("plot"));
    plot->setCurves({QByteArrayLiteral("Value"), QByteArrayLiteral("Target")},
                    {QColor(Qt::black), QColor(Qt::red)}, {Qt::SolidLine, Qt::DotLine});
    top->addWidget(plot);

    using P = PanelGreeks_UA;
    connect(comboBox_param, QOverload<int>::of(&QComboBox::currentIndexChanged), this,
            &P::on_comboBox_param_IndexChanged);
    connect(pushButton_use, &QPushButton::clicked, this, &P::on_pushButton_use_clicked);
    connect(pushButton_more, &QPushButton::clicked, this, &P::on_pushButton_more_clicked);
    connect(pushButton_analyse, &QPushButton::clicked, this, &P::on_pushButton_analyse_clicked);
    markStartsRun(pushButton_more);
    markStartsRun(pushButton_analyse);
}

void PanelGreeks_UA::setRequest(const PricingRequest& r, bool current)
{
    request = r;
    requestCurrent = current;
    // A range still at its term's default starts where this request's method
    // prices; under a market the volatility's default range is its shift's.
    const int index = comboBox_param->currentIndex();
    if (index >= 0 && index < kParamCount) {
        const TermSpec& term = termTable()[static_cast<std::size_t>(index)];
        bool okStart = false, okEnd = false, okStep = false;
        const double start = lineEdit_start->text().toDouble(&okStart), end = lineEdit_end->text().toDouble(&okEnd),
                     step = lineEdit_step->text().toDouble(&okStep);
        if (shiftsVolatility(term.id)) {
            if (okStart && okEnd && okStep)  // the level's default range becomes the shift's
                setRange(term.id, start, end, step);
        } else if (lineEdit_start->text() == numberText(std::max(0.0, term.start))) {
            lineEdit_start->setText(numberText(pricedStart(term.id, term.start, term.end, term.step)));
        }
    }
    label_status->setText(current ? QString() : QString::fromUtf8(kTermsStale));
    label_status->setVisible(!current);
}

void PanelGreeks_UA::setCaller(ParamTarget* c)
{
    caller = c;
}

void PanelGreeks_UA::setRange(Param term, double start, double end, double step)
{
    // A changed term first writes its default range through the combo's signal.
    comboBox_param->setCurrentIndex(static_cast<int>(term));
    if (shiftsVolatility(term)) {
        // A shift may be negative; the level's default range becomes the shift's.
        const TermSpec& level = termSpec(term);
        const TermSpec& shift = volatilityShiftSpec();
        const bool untouched = start <= level.start && end == level.end && step == level.step;
        lineEdit_start->setText(numberText(untouched ? shift.start : start));
        lineEdit_end->setText(numberText(untouched ? shift.end : end));
        lineEdit_step->setText(numberText(untouched ? shift.step : step));
        return;
    }
    lineEdit_start->setText(numberText(std::max(0.0, start)));
    lineEdit_end->setText(numberText(std::max(0.0, end)));
    lineEdit_step->setText(numberText(step));
}

bool PanelGreeks_UA::shiftsVolatility(Param term) const
{
    return term == Param::Sigma && request && request->market;
}

void PanelGreeks_UA::on_comboBox_param_IndexChanged(int index)
{
    if (index < 0 || index >= kParamCount)
        return;
    const TermSpec& term = termTable()[static_cast<std::size_t>(index)];
    setRange(term.id, pricedStart(term.id, term.start, term.end, term.step), term.end, term.step);
}

double PanelGreeks_UA::pricedStart(Param term, double start, double end, double step) const
{
    start = std::max(0.0, start);
    return request ? first_priced_value(*request, term, start, end, step) : start;
}

void PanelGreeks_UA::on_pushButton_analyse_clicked()
{
    double start = 0, end = 0, step = 0, target = 0;
    QString error;
    if (!readNumberField(QString::fromUtf8("开始:"), lineEdit_start->text(), start, error)
        || !readNumberField(QString::fromUtf8("结束:"), lineEdit_end->text(), end, error)
        || !readNumberField(QString::fromUtf8("步长:"), lineEdit_step->text(), step, error)
        || !readNumberField(QString::fromUtf8("目标值:"), lineEdit_target->text(), target, error)) {
        prompt::critical(this, QString::fromUtf8("错误："), error);
        return;
    }

    const int index = comboBox_param->currentIndex();
    if (index < 0 || index >= kParamCount)
        return;
    const Param term = termTable()[static_cast<std::size_t>(index)].id;
    if (!request) {
        prompt::critical(this, QString::fromUtf8("错误:"), QString::fromUtf8("未设置定价参数"));
        return;
    }
    if (!requestCurrent) {
        prompt::critical(this, QString::fromUtf8("错误:"), QString::fromUtf8(kTermsStale));
        return;
    }
    if (!gridFitsMemory(this, QString::fromUtf8("错误："), *request, GridUse::PriceOnly))
        return;
    PricingRequest work = *request;
    ScanResult r;
    const RunOutcome outcome = runWithProgress(this, QString::fromUtf8("正在分析..."), [&](const ProgressHook& hook) {
        work.progress = hook;
        r = univariate_scan(work, term, start, end, step, target);
    });
    if (outcome == RunOutcome::Cancelled)  // fields and plot keep the last analysis
        return;
    if (r.capped)   // stays rewritten even when the scan then fails
        lineEdit_step->setText(numberText(r.step));

    if (r.refusal.code == RefusalCode::EmptyAxis)  // an empty range is no error to report
        return;
    if (r.refusal.code == RefusalCode::AxisTooLong) {
        warnTooManyGridPoints(this);
        return;
    }
    if (!r.ok()) {
        const bool priced = !r.prices.empty() && r.prices.size() == r.values.size();
        prompt::critical(this, QString::fromUtf8("错误："),
                         QString::fromUtf8(priced ? "无法确定边界" : "无法对结构进行定价"));
        return;
    }

    const int n = static_cast<int>(r.values.size());
    plot->setCurveSamples(0, r.values.data(), r.prices.data(), n);
    const double lineX[2] = {r.values.front(), r.values.back()};
    const double lineY[2] = {target, target};
    plot->setCurveSamples(1, lineX, lineY, 2);
    plot->replot();

    const double best = r.prices[static_cast<size_t>(r.best)];
    lineEdit_nearest->setText(numberText(best));
    lineEdit_param->setText(numberText(r.values[static_cast<size_t>(r.best)]));
    lineEdit_deviation->setText(numberText(std::fabs(target - best)));
    pushButton_more->setEnabled(true);
    resultIndex = index;
}

void PanelGreeks_UA::on_pushButton_more_clicked()
{
    const double v = lineEdit_param->text().toDouble();
    if (std::isnan(v) || v < 0)
        return;
    const double s = lineEdit_step->text().toDouble();
    const int index = comboBox_param->currentIndex();
    if (index >= 0 && index < kParamCount)
        lineEdit_start->setText(
            numberText(pricedStart(termTable()[static_cast<std::size_t>(index)].id, v - s, v + s, s * 0.1)));
    else
        lineEdit_start->setText(numberText(std::max(0.0, v - s)));
    lineEdit_end->setText(numberText(v + s));
    lineEdit_step->setText(numberText(s * 0.1));
    on_pushButton_analyse_clicked();
}

void PanelGreeks_UA::on_pushButton_use_clicked()
{
    // Before a successful analysis the field holds "-", which would read as 0
    // and overwrite the main window's input; after a switch to another term it
    // holds a value of the previous term.
    const int index = comboBox_param->currentIndex();
    if (!caller || resultIndex < 0 || index != resultIndex)
        return;
    const TermSpec& term = termTable()[static_cast<std::size_t>(index)];
    double v = lineEdit_param->text().trimmed().toDouble();
    if (term.percent)
        v *= 100.0;
    caller->applyParamValue(term.id, v);
}
