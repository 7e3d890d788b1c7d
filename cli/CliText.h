#pragma once

#include <CLI/CLI.hpp>

#include <QDate>
#include <QString>

#include <string>
#include <vector>

// Strict readings of option texts. The window reads a text that is not a
// number as 0; a script deserves to hear about it instead. Each reader throws
// CliError (bad input) naming the option.

extern const QString kDateFormat;  // yyyyMMdd

// The date as yyyyMMdd ("" when invalid). Unlike QDate::toString it asks no
// locale, so batch workers may call it at once.
QString dateText(const QDate& date);

QString qs(const std::string& utf8);
std::string u8(const QString& text);

// A finite number in the C locale, blanks around it allowed.
bool isNumberText(const QString& text);
bool isIntegerText(const QString& text);
double numberOption(const std::string& text, const char* option);
int integerOption(const std::string& text, const char* option);

// A date written yyyyMMdd or yyyy-MM-dd that exists in the calendar of days.
QDate dateOption(const std::string& text, const char* option);
// "d1_d2_..." of such dates; empty parts are refused.
std::vector<QDate> dateListOption(const std::string& text, const char* option);
// "t1,t2,..." of numbers.
std::vector<double> numberListOption(const std::string& text, char separator, const char* option);

// CLI11 checks, so that parse errors name the option at once.
extern const CLI::Validator NumberText;     // one number
extern const CLI::Validator IntegerText;    // one base-10 integer
extern const CLI::Validator ValueListText;  // numbers joined by "_"
extern const CLI::Validator DateText;       // one date
extern const CLI::Validator DateListText;   // dates joined by "_"
extern const CLI::Validator TimeListText;   // numbers joined by ","
extern const CLI::Validator RangeText;      // START:END:STEP

// For options CLI11 converts to integers itself: its own reading takes 0x10
// as 16 and 010 as 8, wraps -1 to 2^64 - 1 in an unsigned one and reads an
// empty text as 0. These take a base-10 integer (blanks around it allowed)
// within [lo, hi] and hand CLI11 its plain decimal text (add them with
// transform, not check, which would keep the text as typed).
CLI::Validator integerFromTo(long long lo, long long hi);
extern const CLI::Validator SeedText;  // 0 .. 2^64 - 1

struct AxisRange
{
    double start = 0;
    double end = 0;
    double step = 0;
};
AxisRange rangeOption(const std::string& text, const char* option);
