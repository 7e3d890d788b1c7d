#include "GridLimitWarning.h"

#include "Prompt.h"
#include "TermTable.h"

#include <QString>
#include <QWidget>

void warnTooManyGridPoints(QWidget* parent)
{
    prompt::warning(parent, QString::fromUtf8("提示："),
                    QString::fromUtf8("网格点数超过1000，请增大步长或缩小区间。"));
}

bool gridFitsMemory(QWidget* parent, const QString& title, const PricingRequest& request, GridUse use)
{
    const QString problem = gridMemoryProblem(request, use);
    if (problem.isEmpty())
        return true;
    prompt::critical(parent, title, problem);
    return false;
}
