#pragma once

#include <QDate>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <nlohmann/json.hpp>

#include <string>

// One run of the built kelvara-cli.
struct CliResult
{
    int status = -1;
    std::string out;
    std::string err;

    // Standard error holds exactly one line.
    bool oneErrorLine() const;
    nlohmann::json json() const;  // stdout parsed as one JSON object
};

// Runs the program with args in workDir (the test's working directory when
// empty), at most two minutes.
CliResult runCli(const QStringList& args, const QString& workDir = QString());

// A folder with a calendar in which every day of 2023..2026 is a trading
// day, so that schedules come out as the generator's candidates unmoved.
class EveryDayCalendar
{
public:
    EveryDayCalendar();
    QString path() const;
    QString dir() const { return dir_.path(); }

private:
    QTemporaryDir dir_;
};

// The structure file's declaration, as the window's save writes it.
extern const char* const kRecordHeader;
