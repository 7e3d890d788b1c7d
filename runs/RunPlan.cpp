#include "RunPlan.h"

#include "BackgroundRun.h"
#include "Prompt.h"
#include "Snowball_PDE.h"

#include <QWidget>

#include <algorithm>

namespace {

// Accurate solves normally take 5-25 ms; only a long maturity at many
// trading days a year (about half a second's work) goes to the worker.
const double kAccurateForegroundSolveDays = 6000.0;

QString bytesText(double bytes)
{
    const double gb = 1024.0 * 1024.0 * 1024.0;
    return bytes >= gb ? QStringLiteral("%1 GB").arg(bytes / gb, 0, 'f', 1)
                       : QStringLiteral("%1 MB").arg(bytes / (1024.0 * 1024.0), 0, 'f', 0);
}

}  // namespace

RunPlan runPlan(const Snowball_PDE& run, double solves, double years)
{
    RunPlan plan;
    if (run.method != PricingMethod::Accurate) {
        plan.background = runsInBackground(run.params.M, run.params.N);
        plan.steps = solves * run.params.N;
        return plan;
    }
    const double span = years < 0 ? run.params.T : std::min(years, run.params.T);
    const double days = std::max(0.0, span) * run.year_days;
    const double moments = days + static_cast<double>(run.contract.obs_times.size()) + 2.0;
    plan.background = solves * days > kAccurateForegroundSolveDays;
    plan.steps = 3.0 * solves * moments;
    return plan;
}

QString gridMemoryProblem(const Snowball_PDE& run, GridUse use)
{
    if (run.method == PricingMethod::Accurate)
        return QString();
    const RunCost cost = pde_run_cost(run.params.M, run.params.N, 1, use);
    const double limit = safe_memory_bytes();
    if (cost.bytes <= limit)
        return QString();
    return QStringLiteral("%1 x %2 的网格约需内存 %3，超过本机内存的一半（%4），未计算。请减小 M 或 N。")
        .arg(run.params.M)
        .arg(run.params.N)
        .arg(bytesText(cost.bytes), bytesText(limit));
}

bool gridFitsMemory(QWidget* parent, const QString& title, const Snowball_PDE& run, GridUse use)
{
    const QString problem = gridMemoryProblem(run, use);
    if (problem.isEmpty())
        return true;
    prompt::critical(parent, title, problem);
    return false;
}
