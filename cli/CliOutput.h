#pragma once

#include <nlohmann/json.hpp>

#include <string>
#include <utility>
#include <vector>

// Keys in the order they were added: easier to read than sorted ones.
using Json = nlohmann::ordered_json;

// Fixed-point text of a value as the window writes it (QString::number
// with 'f'), so NaN reads "nan" and the table matches the fields.
std::string fixed(double value, int digits);
// C's %g with 6 significant digits, as the stress tables label their axes.
std::string general(double value);
// 10 significant digits, for people.
std::string precise(double value);
// 17 significant digits: the text reads back to the same double.
std::string full(double value);

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

// A one-line progress bar on standard error, drawn only when it is a terminal.
class ProgressBar
{
public:
    explicit ProgressBar(int total);
    ~ProgressBar();
    void step(int done);
    // Wipes the bar so that a message can take the line.
    void clear();
    bool shown() const { return shown_; }

private:
    int total_;
    bool shown_;
};
