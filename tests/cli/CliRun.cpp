#include "CliRun.h"

#include <QDate>
#include <QFile>
#include <QProcess>

CliResult runCli(const QStringList& args, const QString& workDir)
{
    QProcess process;
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

QString everyDayCalendar(const QTemporaryDir& dir)
{
    QFile file(dir.filePath(QStringLiteral("every_day.csv")));
    if (file.open(QIODevice::WriteOnly)) {
        file.write("iDate\n");
        for (QDate d(2023, 1, 1); d <= QDate(2026, 12, 31); d = d.addDays(1))
            file.write(d.toString(QStringLiteral("yyyyMMdd\n")).toLatin1());
    }
    return file.fileName();
}

QByteArray readFile(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

bool writeFile(const QString& path, const QByteArray& content)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(content) == content.size();
}
