#include "CalendarFile.h"

#include "CsvBlockFile.h"
#include "InputFile.h"

#include <sstream>

namespace {

CalendarLoadResult refuse(CalendarLoadStatus status, const std::string& message, int line = 0)
{
    CalendarLoadResult r;
    r.status = status;
    r.message = message;
    r.line = line;
    return r;
}

std::string at(const std::string& name, int line) { return name + " line " + std::to_string(line) + ": "; }

bool isBlank(char c) { return c == ' ' || c == '\t'; }

std::string trimmed(const std::string& text)
{
    std::size_t a = 0, b = text.size();
    while (a < b && isBlank(text[a]))
        ++a;
    while (b > a && isBlank(text[b - 1]))
        --b;
    return text.substr(a, b - a);
}

// "# 2027: ESTIMATED ...": the year, or 0 when the comment says something else.
int estimatedYear(const std::string& comment)
{
    std::size_t p = 1;
    while (p < comment.size() && isBlank(comment[p]))
        ++p;
    int year = 0, digits = 0;
    while (p < comment.size() && comment[p] >= '0' && comment[p] <= '9' && digits < 5) {
        year = year * 10 + (comment[p] - '0');
        ++p;
        ++digits;
    }
    if (digits != 4 || p >= comment.size() || comment[p] != ':')
        return 0;
    ++p;
    while (p < comment.size() && isBlank(comment[p]))
        ++p;
    return comment.compare(p, 9, "ESTIMATED") == 0 ? year : 0;
}

std::string dateText(int date) { return std::to_string(date); }

}  // namespace

bool is_real_date(long long d)
{
    const long long year = d / 10000, month = d / 100 % 100, day = d % 100;
    if (d < 0 || year < 1 || year > 9999 || month < 1 || month > 12 || day < 1)
        return false;
    static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return day <= days[month - 1] + (month == 2 && leap ? 1 : 0);
}

CalendarLoadResult read_calendar(std::istream& in, const std::string& name, CalendarFileContent& out)
{
    out = CalendarFileContent();
    std::string line;
    int number = 0;
    bool sawDeclaration = false;
    std::vector<int> lineOf;  // the line of each date, for the messages
    while (std::getline(in, line)) {
        ++number;
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (number == 1 && line.compare(0, 3, "\xEF\xBB\xBF") == 0)
            line.erase(0, 3);  // a UTF-8 byte order mark from an editor
        if (line.size() > static_cast<std::size_t>(CsvBlockFile::kMaxLineLength))
            return refuse(CalendarLoadStatus::Malformed,
                          at(name, number) + "longer than " + std::to_string(CsvBlockFile::kMaxLineLength) +
                              " characters",
                          number);
        if (!sawDeclaration) {
            std::vector<CsvBlockFile::Column> columns;
            int size = 0;
            if (!CsvBlockFile::parseDeclaration(line, columns, size))
                return refuse(CalendarLoadStatus::Malformed,
                              at(name, number) + "\"" + line + "\" is not a record declaration (e.g. iDate)", number);
            if (columns.front().type != 'i')
                return refuse(CalendarLoadStatus::Malformed,
                              at(name, number) + "the first column of \"" + line + "\" is not an i (date) column",
                              number);
            sawDeclaration = true;
            continue;
        }
        if (!line.empty() && line[0] == '#') {
            if (const int year = estimatedYear(line))
                out.estimated_years.insert(year);
            continue;
        }
        const std::string field = trimmed(line.substr(0, line.find(',')));
        if (trimmed(line).empty())
            continue;
        if (field.empty() || field.size() > 8 || field.find_first_not_of("0123456789") != std::string::npos ||
            !is_real_date(std::stoll(field)))
            return refuse(CalendarLoadStatus::Malformed,
                          at(name, number) + "\"" + field + "\" is not a date (yyyyMMdd)", number);
        const int date = static_cast<int>(std::stoll(field));
        if (!out.dates.empty() && date <= out.dates.back()) {
            const int before = lineOf.back();
            const std::string what = date == out.dates.back()
                                         ? dateText(date) + " repeats line " + std::to_string(before)
                                         : dateText(date) + " comes after " + dateText(out.dates.back()) +
                                               " (line " + std::to_string(before) + "); dates must ascend";
            return refuse(CalendarLoadStatus::Malformed, at(name, number) + what, number);
        }
        out.dates.push_back(date);
        lineOf.push_back(number);
    }
    if (in.bad())
        return refuse(CalendarLoadStatus::Unreadable, "cannot read " + name);
    if (number == 0)
        return refuse(CalendarLoadStatus::Empty, name + " is empty");
    if (out.dates.empty())
        return refuse(CalendarLoadStatus::Empty, name + " holds no trading dates after its declaration line");
    return CalendarLoadResult();
}

CalendarLoadResult read_calendar_file(const std::string& path, CalendarFileContent& out)
{
    out = CalendarFileContent();
    const files::InputFile file = files::readInputFile(path);
    if (!file.ok)
        return refuse(CalendarLoadStatus::Unreadable, file.problem);
    std::istringstream in(file.bytes);
    return read_calendar(in, path, out);
}
