#include "CliRun.h"

#include <QFile>
#include <QProcess>

#include <algorithm>

const char* const kRecordHeader =
    "iNO,lEnquiryID,5ProductName,3Category,3Type,4Underlier,dNotional,dOpenPrice,dKnockOut,dKnockIn,"
    "dCouponOut,dCouponDiv,dBottom,dDeltaCeiling,dCallStrike,dPartRate,iMaturity,iDateBegin,iDateEnd,"
    "dVolatility,9Observe";

bool CliResult::oneErrorLine() const
{
    return !err.empty() && err.back() == '\n' && std::count(err.begin(), err.end(), '\n') == 1;
}

nlohmann::json CliResult::json() const { return nlohmann::json::parse(out); }

CliResult runCli(const QStringList& args, const QString& workDir)
{
    QProcess process;
    if (!workDir.isEmpty())
        process.setWorkingDirectory(workDir);
    process.start(QStringLiteral(KELVARA_CLI), args);
    CliResult r;
    if (!process.waitForFinished(120000))
        return r;
    r.status = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    r.out = process.readAllStandardOutput().toStdString();
    r.err = process.readAllStandardError().toStdString();
    return r;
}

EveryDayCalendar::EveryDayCalendar()
{
    QFile file(path());
    if (!file.open(QIODevice::WriteOnly))
        return;
    file.write("iDate\n");
    for (QDate d(2023, 1, 1); d <= QDate(2026, 12, 31); d = d.addDays(1))
        file.write(d.toString(QStringLiteral("yyyyMMdd")).toLatin1() + "\n");
}

QString EveryDayCalendar::path() const { return dir_.filePath(QStringLiteral("every_day.csv")); }
