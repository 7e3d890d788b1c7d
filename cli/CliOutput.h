#pragma once

#include <nlohmann/json.hpp>

#include <cstddef>
#include <string>
#include <utility>
#include <vector>

// Keys in the order they were added: easier to read than sorted ones.
using Json = nlohmann::ordered_json;

// Fixed-point text of a value as the window writes it (QString::number
// with 'f', never a negative zero such as "-0.0000"), so the table matches
// the fields; NaN reads "nan".
std::string fixed(double value, int digits);
// An error estimate or standard error in the same decimals as its value,
// rounded up (5.78e-05 with 4 decimals reads 0.0001, never 0.0000).
std::string errorBound(double estimate, int digits);
// C's %g with 6 significant digits, as the stress tables label their axes.
std::string general(double value);
// 10 significant digits, for people.
std::string precise(double value);
// 17 significant digits: the text reads back to the same double.
std::string full(double value);

// Terminal columns the text takes: two for an East Asian wide character
// ("波动率(%)" takes nine), one for any other.
std::size_t displayWidth(const std::string& utf8);

// A short aligned two-column table for people: names left, values right.
class KeyValueTable
{
public:
    void add(const std::string& name, const std::string& value);
    std::string text() const;

private:
    std::vector<std::pair<std::string, std::string>> rows_;
};

// Columns right-aligned under their headings, two spaces apart.
std::string alignedColumns(const std::vector<std::vector<std::string>>& rows);

// One JSON object on one line. Numbers come out as the shortest text that
// reads back to the same double (never more than 17 significant digits).
std::string jsonLine(const Json& object);

// Replaces path by content in one step (files::writeWhole: a scratch file
// beside it renamed over it, under the file's lock), so a reader never sees
// half a file and concurrent writers never lose each other's blocks. With
// append, the old content is kept in front. Devices and pipes are refused.
// Throws CliError (bad input) with the system's reason.
void writeFileAtomically(const std::string& path, const std::string& content, bool append);

// A one-line progress bar on standard error, drawn only when allowed (by
// kelvara-cli, not inside the Python module) and standard error is a terminal.
class ProgressBar
{
public:
    ProgressBar(int total, bool allowed);
    ~ProgressBar();
    void step(int done);
    // Wipes the bar so that a message can take the line.
    void clear();
    bool shown() const { return shown_; }

private:
    int total_;
    bool shown_;
};
