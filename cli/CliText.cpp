#include "CliText.h"

#include "CliError.h"

#include <QStringList>

#include <cmath>

const QString kDateFormat = QStringLiteral("yyyyMMdd");

QString dateText(const QDate& date)
{
    if (!date.isValid())
        return QString();
    return QString::asprintf("%04d%02d%02d", date.year(), date.month(), date.day());
}

QString qs(const std::string& utf8) { return QString::fromStdString(utf8); }

std::string u8(const QString& text) { return text.toStdString(); }

bool isNumberText(const QString& text)
{
    bool ok = false;
    const double v = text.toDouble(&ok);
    return ok && std::isfinite(v);
}

bool isIntegerText(const QString& text)
{
    bool ok = false;
    text.trimmed().toInt(&ok, 10);
    return ok;
}

namespace {

std::string inQuotes(const std::string& text) { return "\"" + text + "\""; }

QStringList parts(const QString& text, QChar separator) { return text.split(separator, Qt::KeepEmptyParts); }

std::string checkNumber(const std::string& text)
{
    return isNumberText(qs(text)) ? std::string() : inQuotes(text) + " is not a number";
}

std::string checkList(const std::string& text, QChar separator, bool (*ok)(const QString&), const char* what)
{
    const QStringList items = parts(qs(text), separator);
    for (const QString& item : items) {
        if (item.trimmed().isEmpty())
            return inQuotes(text) + " has an empty part";
        if (!ok(item))
            return inQuotes(u8(item)) + " in " + inQuotes(text) + " is not " + what;
    }
    return std::string();
}

QDate readDate(const QString& text)
{
    const QString t = text.trimmed();
    QDate d = QDate::fromString(t, kDateFormat);
    if (!d.isValid())
        d = QDate::fromString(t, QStringLiteral("yyyy-MM-dd"));
    return d;
}

bool isDateText(const QString& text) { return readDate(text).isValid(); }

bool isRangeText(const std::string& text)
{
    const QStringList items = parts(qs(text), QLatin1Char(':'));
    if (items.size() != 3)
        return false;
    for (const QString& item : items) {
        if (!isNumberText(item))
            return false;
    }
    return true;
}

}  // namespace

double numberOption(const std::string& text, const char* option)
{
    const std::string problem = checkNumber(text);
    if (!problem.empty())
        throw badInput(std::string(option) + ": " + problem);
    return qs(text).toDouble();
}

int integerOption(const std::string& text, const char* option)
{
    if (!isIntegerText(qs(text)))
        throw badInput(std::string(option) + ": " + inQuotes(text) + " is not an integer");
    return qs(text).trimmed().toInt(nullptr, 10);
}

QDate dateOption(const std::string& text, const char* option)
{
    const QDate d = readDate(qs(text));
    if (!d.isValid())
        throw badInput(std::string(option) + ": " + inQuotes(text) + " is not a date (yyyyMMdd)");
    return d;
}

std::vector<QDate> dateListOption(const std::string& text, const char* option)
{
    const std::string problem = checkList(text, QLatin1Char('_'), isDateText, "a date (yyyyMMdd)");
    if (!problem.empty())
        throw badInput(std::string(option) + ": " + problem);
    std::vector<QDate> dates;
    for (const QString& item : parts(qs(text), QLatin1Char('_')))
        dates.push_back(readDate(item));
    return dates;
}

std::vector<double> numberListOption(const std::string& text, char separator, const char* option)
{
    const std::string problem = checkList(text, QLatin1Char(separator), isNumberText, "a number");
    if (!problem.empty())
        throw badInput(std::string(option) + ": " + problem);
    std::vector<double> values;
    for (const QString& item : parts(qs(text), QLatin1Char(separator)))
        values.push_back(item.toDouble());
    return values;
}

AxisRange rangeOption(const std::string& text, const char* option)
{
    if (!isRangeText(text))
        throw badInput(std::string(option) + ": " + inQuotes(text) + " is not START:END:STEP");
    const QStringList items = parts(qs(text), QLatin1Char(':'));
    return AxisRange{items[0].toDouble(), items[1].toDouble(), items[2].toDouble()};
}

const CLI::Validator NumberText(checkNumber, "", "NUMBER");

const CLI::Validator IntegerText(
    [](std::string& text) { return isIntegerText(qs(text)) ? std::string() : inQuotes(text) + " is not an integer"; },
    "", "INT");

const CLI::Validator ValueListText(
    [](std::string& text) { return checkList(text, QLatin1Char('_'), isNumberText, "a number"); }, "", "V1_V2_...");

const CLI::Validator DateText(
    [](std::string& text) {
        return isDateText(qs(text)) ? std::string() : inQuotes(text) + " is not a date (yyyyMMdd)";
    },
    "", "yyyyMMdd");

const CLI::Validator DateListText(
    [](std::string& text) { return checkList(text, QLatin1Char('_'), isDateText, "a date (yyyyMMdd)"); }, "",
    "D1_D2_...");

const CLI::Validator TimeListText(
    [](std::string& text) { return checkList(text, QLatin1Char(','), isNumberText, "a number"); }, "", "T1,T2,...");

const CLI::Validator RangeText(
    [](std::string& text) { return isRangeText(text) ? std::string() : inQuotes(text) + " is not START:END:STEP"; }, "",
    "START:END:STEP");

CLI::Validator integerFromTo(long long lo, long long hi)
{
    const std::string range = std::to_string(lo) + " to " + std::to_string(hi);
    return CLI::Validator(
        [lo, hi, range](std::string& text) {
            bool ok = false;
            const qlonglong v = qs(text).trimmed().toLongLong(&ok, 10);
            if (!ok)
                return inQuotes(text) + " is not an integer";
            if (v < lo || v > hi)
                return inQuotes(text) + " is not from " + range;
            text = std::to_string(v);
            return std::string();
        },
        "INT from " + range, "INT");
}

const CLI::Validator SeedText(
    [](std::string& text) {
        const QString t = qs(text).trimmed();
        bool ok = false;
        const qulonglong v = t.startsWith(QLatin1Char('-')) ? 0 : t.toULongLong(&ok, 10);
        if (!ok)
            return inQuotes(text) + " is not an integer from 0 to 18446744073709551615";
        text = std::to_string(v);
        return std::string();
    },
    "", "UINT64");
