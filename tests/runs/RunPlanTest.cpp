// Where runs go and how many steps their progress counts, checked against
// the hook calls the engine really makes; and grids beyond the memory limit
// refused by the panels before they start.
#include "RunPlan.h"

#include "EngineChecks.h"
#include "PanelGreeks_UA.h"
#include "PanelStress.h"
#include "RecordingPrompter.h"

#include <QPushButton>
#include <QTableWidget>
#include <QtTest>

namespace {

// Hook calls of one price() of e.
double hookCalls(Snowball_PDE e)
{
    double calls = 0;
    e.set_progress_hook([&calls](double) {
        ++calls;
        return true;
    });
    e.price();
    return calls;
}

double solutionHookCalls(Snowball_PDE e, double tau)
{
    double calls = 0;
    e.set_progress_hook([&calls](double) {
        ++calls;
        return true;
    });
    e.accurate_solution(tau);
    return calls;
}

Snowball_PDE accurate(int M, int N)
{
    Snowball_PDE e = classicSnowball(M, N);
    e.method = PricingMethod::Accurate;
    e.year_days = 243;
    return e;
}

}  // namespace

class RunPlanTest : public QObject
{
    Q_OBJECT

private slots:
    void stepsAreTheHookCalls_data()
    {
        QTest::addColumn<bool>("accurateMode");
        QTest::addColumn<int>("N");
        QTest::newRow("design grid") << false << 243;
        QTest::newRow("design grid, coarse") << false << 40;
        QTest::newRow("accurate") << true << 243;
        QTest::newRow("accurate, N ignored") << true << 5000;
    }
    void stepsAreTheHookCalls()
    {
        QFETCH(bool, accurateMode);
        QFETCH(int, N);
        const Snowball_PDE e = accurateMode ? accurate(60, N) : classicSnowball(60, N);
        const double calls = hookCalls(e);
        QVERIFY(calls > 0);
        // The accurate count may include up to the observation moments that
        // fall on a close (counted once by the solver), never fewer.
        const double slack = accurateMode ? 3.0 * (e.contract.obs_times.size() + 2) : 0.0;
        const double planned = runPlan(e, 1).steps;
        QVERIFY2(planned >= calls && planned <= calls + slack, qPrintable(QString("%1 vs %2").arg(planned).arg(calls)));
        QCOMPARE(runPlan(e, 7).steps, 7 * planned);
    }

    // The stress grid's accurate solves start at the remaining time: fewer
    // calls than a whole term, and the plan counts them (within the few
    // monitoring moments already past).
    void accurateStepsFollowTheRemainingTime()
    {
        const Snowball_PDE e = accurate(60, 243);
        const double half = solutionHookCalls(e, 0.5);
        QVERIFY(half < 0.7 * hookCalls(e));
        const double planned = runPlan(e, 1, 0.5).steps;
        QVERIFY2(planned >= half && planned <= half + 3.0 * 14, qPrintable(QString("%1 vs %2").arg(planned).arg(half)));
    }

    // Where the run goes follows the real work: M and N for the design
    // grid, the trading days times the solves for the accurate one.
    void backgroundFollowsTheWork()
    {
        QVERIFY(!runPlan(classicSnowball(200, 243), 1).background);
        QVERIFY(runPlan(classicSnowball(30000, 243), 1).background);
        QVERIFY(!runPlan(accurate(30000, 243), 1).background);  // M plays no part
        QVERIFY(!runPlan(accurate(200, 243), 5).background);
        QVERIFY(runPlan(accurate(200, 243), 40).background);  // forty volatilities of a year each
        QVERIFY(!runPlan(accurate(200, 243), 40, 0.05).background);  // ... of two weeks each
    }

    void memoryRefusal()
    {
        QVERIFY(gridMemoryProblem(classicSnowball(200, 243), GridUse::KeepGrids).isEmpty());
        Snowball_PDE big = classicSnowball(200, 243);
        big.params.M = 200000000;
        // Twenty doubles a node kept (160 bytes x 244 columns) and ten working
        // vectors a price node: far beyond any desktop.
        const QString problem = gridMemoryProblem(big, GridUse::KeepGrids);
        const QString gb = QString::number((160.0 * 244 + 80.0) * 200000001.0 / (1 << 30), 'f', 1);
        QVERIFY2(problem.startsWith("200000000 x 243 的网格约需内存 " + gb + " GB，超过本机内存的一半"),
                 qPrintable(problem));
        big.params.M = 20000000;
        QVERIFY(!gridMemoryProblem(big, GridUse::KeepGrids).isEmpty());
        QVERIFY(gridMemoryProblem(big, GridUse::PriceOnly).isEmpty());  // the columns alone fit
        big.method = PricingMethod::Accurate;
        QVERIFY(gridMemoryProblem(big, GridUse::KeepGrids).isEmpty());
    }

    void panelsRefuseOversizedGrids()
    {
        RecordingPrompter prompter;
        Snowball_PDE big = classicSnowball(200, 243);
        big.params.M = 200000000;

        PanelStress stress;
        stress.engine.copy_structure_from(big);
        stress.on_pushButton_calc_clicked();
        QCOMPARE(prompter.boxes.size(), 1);
        QCOMPARE(prompter.boxes[0].title, QString("错误："));
        QVERIFY(prompter.boxes[0].text.startsWith("200000000 x 243 的网格约需内存"));
        for (QTableWidget* t : stress.findChildren<QTableWidget*>())
            QCOMPARE(t->rowCount(), 0);
        prompter.clear();

        big.params.M = 2000000000;  // price-only runs: ten columns of two billion nodes
        PanelGreeks_UA scan(100.0);
        scan.engine.copy_structure_from(big);
        scan.pushButton_analyse->click();
        QCOMPARE(prompter.boxes.size(), 1);
        QVERIFY(prompter.boxes[0].text.startsWith("2000000000 x 243 的网格约需内存"));
        QVERIFY(!scan.pushButton_more->isEnabled());
    }
};

QTEST_MAIN(RunPlanTest)
#include "RunPlanTest.moc"
