#include "CliOutput.h"

#include "CliError.h"
#include "WholeFileWriter.h"

#include <QString>

#include <unistd.h>

#include <algorithm>
#include <cstdio>

std::string fixed(double value, int digits) { return QString::number(value, 'f', digits).toStdString(); }

std::string general(double value) { return QString::asprintf("%g", value).toStdString(); }

std::string precise(double value) { return QString::number(value, 'g', 10).toStdString(); }

std::string full(double value) { return QString::number(value, 'g', 17).toStdString(); }

void KeyValueTable::add(const std::string& name, const std::string& value) { rows_.emplace_back(name, value); }

namespace {

// Terminal columns: CJK characters take two.
std::size_t width(const std::string& utf8)
{
    std::size_t w = 0;
    for (const QChar ch : QString::fromStdString(utf8))
        w += ch.unicode() >= 0x2E80 ? 2 : 1;
    return w;
}

}  // namespace

std::string KeyValueTable::text() const
{
    std::size_t nameWidth = 0, valueWidth = 0;
    for (const auto& row : rows_) {
        nameWidth = std::max(nameWidth, width(row.first));
        valueWidth = std::max(valueWidth, width(row.second));
    }
    std::string out;
    for (const auto& row : rows_) {
        out += row.first + std::string(nameWidth - width(row.first) + 2, ' ');
        out += std::string(valueWidth - width(row.second), ' ') + row.second + "\n";
    }
    return out;
}

std::string jsonLine(const Json& object) { return object.dump(-1, ' ', false, Json::error_handler_t::replace) + "\n"; }

void writeFileAtomically(const std::string& path, const std::string& content, bool append)
{
    const files::WriteStatus status =
        files::writeWhole(QString::fromLocal8Bit(path.c_str()), append ? files::WriteMode::Append : files::WriteMode::Replace,
                          QByteArray::fromRawData(content.data(), static_cast<int>(content.size())));
    if (!status)
        throw badInput("--out: " + status.message.toLocal8Bit().toStdString());
}

ProgressBar::ProgressBar(int total) : total_(total), shown_(total > 0 && ::isatty(STDERR_FILENO)) { step(0); }

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
            widths[c] = std::max(widths[c], row[c].size());
    }
    std::string out;
    for (const auto& row : rows) {
        for (std::size_t c = 0; c < row.size(); ++c)
            out += (c > 0 ? "  " : "") + std::string(widths[c] - row[c].size(), ' ') + row[c];
        out += "\n";
    }
    return out;
}
