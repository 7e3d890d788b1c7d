#include "CliOutput.h"

#include "CliError.h"
#include "NumberText.h"
#include "WholeFileWriter.h"

#include <QString>
#include <QVector>

#include <unistd.h>

#include <algorithm>
#include <iterator>
#include <utility>
#include <cmath>
#include <cstdio>
#include <mutex>

std::string fixed(double value, int digits)
{
    // The window's text, but "nan" and "inf" rather than its "-".
    return (std::isfinite(value) ? fixedText(value, digits) : QString::number(value, 'f', digits)).toStdString();
}

std::string errorBound(double estimate, int digits)
{
    if (!std::isfinite(estimate) || estimate <= 0)
        return fixed(estimate, digits);
    // Rounded up, so that a bound is never shown smaller than it is (the
    // factor keeps 0.003 from reading 0.0031 through its binary rounding).
    const double scale = std::pow(10.0, digits);
    return fixed(std::ceil(estimate * scale * (1.0 - 1e-12)) / scale, digits);
}

std::string general(double value) { return QString::asprintf("%g", value).toStdString(); }

std::string precise(double value) { return QString::number(value, 'g', 10).toStdString(); }

std::string full(double value) { return QString::number(value, 'g', 17).toStdString(); }

void KeyValueTable::add(const std::string& name, const std::string& value) { rows_.emplace_back(name, value); }

std::size_t displayWidth(const std::string& utf8)
{
    // East Asian wide and fullwidth characters: Hangul Jamo, CJK symbols,
    // kana, ideographs, Hangul syllables, compatibility forms, fullwidth
    // forms, the wide emoji blocks and the supplementary ideographs.
    static const std::pair<uint, uint> wide[] = {
        {0x1100, 0x115F}, {0x2E80, 0x303E}, {0x3041, 0x33FF}, {0x3400, 0x4DBF}, {0x4E00, 0x9FFF},
        {0xA000, 0xA4CF}, {0xAC00, 0xD7A3}, {0xF900, 0xFAFF}, {0xFE30, 0xFE4F}, {0xFF00, 0xFF60},
        {0xFFE0, 0xFFE6}, {0x1F300, 0x1F64F}, {0x1F900, 0x1F9FF}, {0x20000, 0x3FFFD}};
    std::size_t w = 0;
    for (const uint c : QString::fromStdString(utf8).toUcs4()) {
        const bool isWide = std::any_of(std::begin(wide), std::end(wide),
                                        [c](const std::pair<uint, uint>& r) { return c >= r.first && c <= r.second; });
        w += isWide ? 2 : 1;
    }
    return w;
}

std::string KeyValueTable::text() const
{
    std::size_t nameWidth = 0, valueWidth = 0;
    for (const auto& row : rows_) {
        nameWidth = std::max(nameWidth, displayWidth(row.first));
        valueWidth = std::max(valueWidth, displayWidth(row.second));
    }
    std::string out;
    for (const auto& row : rows_) {
        out += row.first + std::string(nameWidth - displayWidth(row.first) + 2, ' ');
        out += std::string(valueWidth - displayWidth(row.second), ' ') + row.second + "\n";
    }
    return out;
}

std::string jsonLine(const Json& object) { return object.dump(-1, ' ', false, Json::error_handler_t::replace) + "\n"; }

void writeFileAtomically(const std::string& path, const std::string& content, bool append)
{
    // Runs on several threads (the Python module) write in turn: the clean-up
    // of an interrupted write knows one write of the process at a time.
    static std::mutex oneWriteAtATime;
    std::lock_guard<std::mutex> turn(oneWriteAtATime);
    const files::WriteStatus status =
        files::writeWhole(QString::fromLocal8Bit(path.c_str()), append ? files::WriteMode::Append : files::WriteMode::Replace,
                          QByteArray::fromRawData(content.data(), static_cast<int>(content.size())));
    if (!status)
        throw badInput("--out: " + status.message.toLocal8Bit().toStdString());
}

ProgressBar::ProgressBar(int total, bool allowed)
    : total_(total), shown_(allowed && total > 0 && ::isatty(STDERR_FILENO))
{
    step(0);
}

ProgressBar::~ProgressBar() { clear(); }

void ProgressBar::clear()
{
    if (shown_) {
        std::fputs("\r\033[K", stderr);
        std::fflush(stderr);
    }
}

void ProgressBar::step(int done)
{
    if (!shown_)
        return;
    constexpr int width = 40;
    const int filled = total_ > 0 ? done * width / total_ : width;
    std::fprintf(stderr, "\r[%s%s] %d/%d", std::string(static_cast<std::size_t>(filled), '#').c_str(),
                 std::string(static_cast<std::size_t>(width - filled), ' ').c_str(), done, total_);
    std::fflush(stderr);
}

std::string alignedColumns(const std::vector<std::vector<std::string>>& rows)
{
    std::vector<std::size_t> widths;
    for (const auto& row : rows) {
        widths.resize(std::max(widths.size(), row.size()));
        for (std::size_t c = 0; c < row.size(); ++c)
            widths[c] = std::max(widths[c], displayWidth(row[c]));
    }
    std::string out;
    for (const auto& row : rows) {
        for (std::size_t c = 0; c < row.size(); ++c)
            out += (c > 0 ? "  " : "") + std::string(widths[c] - displayWidth(row[c]), ' ') + row[c];
        out += "\n";
    }
    return out;
}
