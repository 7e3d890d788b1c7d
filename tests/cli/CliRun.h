#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <nlohmann/json.hpp>

#include <ostream>
#include <string>

// Readable failure messages for Qt strings.
inline void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }

// Whether text holds part.
inline bool contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

// One run of the built kelvara-cli.
struct CliResult
{
    int status = -1;
    std::string out;
    std::string err;

    // Standard error holds exactly one line.
    bool oneErrorLine() const { return !err.empty() && err.find('\n') == err.size() - 1; }
    nlohmann::json json() const { return nlohmann::json::parse(out); }
};

// Runs the program with args in workDir (the test's working directory when
// empty), at most two minutes.
CliResult runCli(const QStringList& args, const QString& workDir = QString());

// Writes a calendar in which every day of 2023..2026 trades into dir, so that
// schedules come out as the generator's candidates unmoved; returns its path.
QString everyDayCalendar(const QTemporaryDir& dir);

// The file's bytes, empty when it cannot be read.
QByteArray readFile(const QString& path);
// Writes content as the whole file; false when it could not.
bool writeFile(const QString& path, const QByteArray& content);
