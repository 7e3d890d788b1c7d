#include "PanelProbability.h"

#include "AccurateProbabilityProfile.h"
#include "AppLogger.h"
#include "BackgroundRun.h"
#include "ExportTableWidget.h"
#include "NumberText.h"
#include "PlotBars.h"
#include "Prompt.h"
#include "TableHelpers.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QSplitter>
#include <QTableWidgetItem>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

namespace {

// The accurate run reports fractions; the progress dialog counts calls.
const int kProgressSteps = 1000;

const char* const kStaleStyle = "color: grey;";

void setCell(QTableWidget* table, int row, int column, const QString& text, Qt::Alignment alignment)
{
    QTableWidgetItem* item = table->item(row, column);
    if (!item) {
        item = new QTableWidgetItem;
        table->setItem(row, column, item);
    }
    item->setText(text);
    item->setTextAlignment(alignment | Qt::AlignVCenter);
}

}  // namespace

PanelProbability::PanelProbability(QWidget* parent) : QWidget(parent)
{
    setupUi();
}

PanelProbability::~PanelProbability() = default;

void PanelProbability::setupUi()
{
    setWindowTitle(QStringLiteral("场外衍生品 概率分析"));
    resize(1000, 520);

    auto* top = new QVBoxLayout(this);
    auto* heading = new QHBoxLayout;
    label_mode = new QLabel(this);
    label_status = new QLabel(this);
    label_status->setStyleSheet(QStringLiteral("color: red;"));
    label_status->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    heading->addWidget(label_mode);
    heading->addStretch(1);
    heading->addWidget(label_status);
    top->addLayout(heading);

    auto* splitter = new QSplitter(Qt::Horizontal, this);
    table = new ExportTableWidget;
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->verticalHeader()->setVisible(false);
    table->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    splitter->addWidget(table);
    plot = new PlotBars;
    plot->setAxisTitles(QStringLiteral("观察日"), QStringLiteral("敲出概率(%)"));
    plot->setMinimumWidth(360);
    splitter->addWidget(plot);
    splitter->setStretchFactor(0, 1);
    splitter->setStretchFactor(1, 1);
    top->addWidget(splitter, 1);

    auto* summary = new QGridLayout;
    label_ki = new QLabel(this);
    label_loss = new QLabel(this);
    label_maturity = new QLabel(this);
    label_life = new QLabel(this);
    summary->addWidget(label_ki, 0, 0);
    summary->addWidget(label_loss, 0, 1);
    summary->addWidget(label_maturity, 1, 0);
    summary->addWidget(label_life, 1, 1);
    top->addLayout(summary);
    clearResults();
}

void PanelProbability::setStructure(const Snowball_PDE& source, const QStringList& observationDates)
{
    engine.copy_structure_from(source);  // the mode and the trading days come along
    dates = observationDates;
}

bool PanelProbability::datesKnown() const
{
    return !dates.isEmpty() && static_cast<size_t>(dates.size()) == engine.contract.obs_times.size();
}

QString PanelProbability::observationLabel(int index) const
{
    if (datesKnown())
        return dates.at(index);
    return QString::number(engine.contract.obs_times.at(static_cast<size_t>(index)), 'f', 4);
}

QString PanelProbability::percentText(double p)
{
    if (!std::isfinite(p))
        return QStringLiteral("-");
    return fixedText(100.0 * p, 2) + QLatin1Char('%');
}

QString PanelProbability::errorText(double e)
{
    if (!std::isfinite(e))
        return QString();
    return QStringLiteral("±") + QString::number(100.0 * e, 'g', 2) + QLatin1Char('%');
}

bool PanelProbability::calculate()
{
    if (!engine.initialised) {
        prompt::critical(this, QStringLiteral("错误:"), QStringLiteral("结构信息未初始化，请先点击【定价】"));
        return false;
    }
    // The run reads its own copies: engine stays as handed over.
    const SnowballContract contract = engine.contract;
    const PDEParams params = engine.params;
    const bool accurate = engine.method == PricingMethod::Accurate;
    const int yearDays = engine.year_days;

    // The design-grid profile takes no progress hook: its dialog shows no
    // progress and a cancel takes effect when the pass ends.
    ProbabilityProfile profile;
    const bool background = accurate || runsInBackground(params.M, params.N);
    const RunOutcome outcome = runGridWork(
        this, background, QStringLiteral("正在计算概率分布..."), accurate ? kProgressSteps : 0.0,
        [&](const ProgressHook& hook) {
            if (!accurate) {
                profile = probability_profile(contract, params);
                return;
            }
            ProgressHook progress;
            if (hook) {
                int reported = 0;
                progress = [&hook, reported](double fraction) mutable {
                    const int target = static_cast<int>(std::clamp(fraction, 0.0, 1.0) * kProgressSteps);
                    for (; reported < target; ++reported)
                        if (!hook(fraction))
                            return false;
                    return true;
                };
            }
            profile = probability_profile_accurate(contract, params, yearDays, false, progress);
        });
    if (outcome == RunOutcome::Cancelled) {
        if (table->rowCount() > 0)
            markStale(QStringLiteral("计算已取消：所示为上一次的结果"));
        return false;
    }
    if (!profile.ok()) {
        AppLogger::instance().log(AppLogger::Err, "probability profile refused: %s", profile.error.c_str());
        clearResults();
        prompt::critical(this, QStringLiteral("错误："), QStringLiteral("无法计算概率分布（原因见日志）"));
        return false;
    }
    showProfile(profile);
    return true;
}

void PanelProbability::clearResults()
{
    stale = false;
    label_status->clear();
    table->clear();
    table->setRowCount(0);
    table->setColumnCount(0);
    plot->setBars(QStringList(), QVector<double>());
    label_mode->setText(QStringLiteral("模式：-"));
    label_ki->setText(QStringLiteral("敲入概率：-"));
    label_loss->setText(QStringLiteral("亏损概率：-"));
    label_maturity->setText(QStringLiteral("到期概率（未敲出）：-"));
    label_life->setText(QStringLiteral("预期存续期：-"));
    for (QWidget* w : std::initializer_list<QWidget*>{table, label_ki, label_loss, label_maturity, label_life})
        w->setStyleSheet(QString());
}

void PanelProbability::showProfile(const ProbabilityProfile& profile)
{
    clearResults();
    const bool accurate = !profile.ko_error.empty();
    const int n = static_cast<int>(profile.ko_probability.size());

    label_mode->setText(accurate ? QStringLiteral("模式：高精度（每年%1个交易日；± 为误差估计）").arg(engine.year_days)
                                 : QStringLiteral("模式：设计网格（M=%1，N=%2）")
                                       .arg(engine.params.M)
                                       .arg(engine.params.N));

    QStringList headers{datesKnown() ? QStringLiteral("观察日") : QStringLiteral("观察时间(年)"),
                        QStringLiteral("敲出价格"), QStringLiteral("敲出概率"), QStringLiteral("累计敲出概率")};
    if (accurate)
        headers << QStringLiteral("敲出概率误差");
    table->setUpdatesEnabled(false);
    resetTable(table, n, headers.size());
    table->setHorizontalHeaderLabels(headers);

    QStringList labels;
    QVector<double> bars;
    double cumulative = 0.0;
    for (int i = 0; i < n; ++i) {
        const size_t k = static_cast<size_t>(i);
        const double p = profile.ko_probability[k];
        cumulative += p;
        const double barrier = k < engine.contract.ko_barrier.size() ? engine.contract.ko_barrier[k] : NAN;
        labels << observationLabel(i);
        bars << 100.0 * p;
        setCell(table, i, 0, labels.back(), Qt::AlignHCenter);
        setCell(table, i, 1, QString::number(barrier, 'g', 6), Qt::AlignRight);
        setCell(table, i, 2, percentText(p), Qt::AlignRight);
        setCell(table, i, 3, percentText(cumulative), Qt::AlignRight);
        if (accurate)
            setCell(table, i, 4, errorText(profile.ko_error[k]), Qt::AlignRight);
    }
    table->setUpdatesEnabled(true);

    plot->setAxisTitle(QwtPlot::xBottom, datesKnown() ? QStringLiteral("观察日") : QStringLiteral("观察时间(年)"));
    plot->setBars(labels, bars);

    // In accurate mode each figure carries its estimate in brackets.
    auto withError = [accurate](const QString& text, const QString& error) {
        return accurate && !error.isEmpty() ? text + QStringLiteral("（%1）").arg(error) : text;
    };
    label_ki->setText(withError(QStringLiteral("敲入概率：") + percentText(profile.ki_probability),
                                errorText(profile.ki_error)));
    label_loss->setText(withError(QStringLiteral("亏损概率：") + percentText(profile.loss_probability),
                                  errorText(profile.loss_error)));
    label_maturity->setText(withError(QStringLiteral("到期概率（未敲出）：") + percentText(profile.maturity_probability),
                                      errorText(profile.maturity_error)));
    const double life = profile.expected_life;
    QString lifeError;
    if (std::isfinite(profile.life_error))
        lifeError = QStringLiteral("±") + QString::number(profile.life_error, 'g', 2) + QStringLiteral("年");
    label_life->setText(withError(QStringLiteral("预期存续期：%1年（%2个月）")
                                      .arg(fixedText(life, 2), fixedText(12.0 * life, 1)),
                                  lifeError));
}

void PanelProbability::markStale(const QString& why)
{
    if (table->rowCount() == 0)
        return;
    stale = true;
    label_status->setText(why);
    for (QWidget* w : std::initializer_list<QWidget*>{table, label_ki, label_loss, label_maturity, label_life})
        w->setStyleSheet(QString::fromUtf8(kStaleStyle));
}
