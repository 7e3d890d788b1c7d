#include "CsvBlockFile.h"

#include <algorithm>
#include <charconv>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>

#include <locale.h>

namespace {

bool isBlank(char c)
{
    return c == ' ' || c == '\t';
}

// Size and alignment of a type code; false for an unknown code.
bool columnShape(char code, int& size, int& align)
{
    switch (code) {
    case 'i': size = 4; align = 4; return true;
    case 'l': size = 8; align = 8; return true;
    case 'f': size = 4; align = 4; return true;
    case 'd': size = 8; align = 8; return true;
    case 'c': size = 1; align = 1; return true;
    default:
        if (code >= '0' && code <= '9') {
            size = 1 << (code - '0');
            align = 1;
            return true;
        }
        return false;
    }
}

int roundUp(int value, int to)
{
    return (value + to - 1) / to * to;
}

// The leading decimal integer of text (blanks and a sign allowed), saturated
// at the 64-bit range; 0 when there is none.
long long leadingInteger(const std::string& text)
{
    return std::strtoll(text.c_str(), nullptr, 10);  // saturates; 0 without digits
}

// The leading decimal number of text, independent of the process locale (a Qt
// program may run under a locale whose decimal point is a comma).
double leadingDouble(const std::string& text)
{
#if defined(_WIN32)
    static _locale_t c_locale = _create_locale(LC_NUMERIC, "C");
    return _strtod_l(text.c_str(), nullptr, c_locale);
#else
    static locale_t c_locale = newlocale(LC_NUMERIC_MASK, "C", static_cast<locale_t>(nullptr));
    return strtod_l(text.c_str(), nullptr, c_locale);
#endif
}

// Length of the longest prefix of text[0..length) that is at most limit bytes
// and does not end inside a UTF-8 sequence. Bytes that are not valid UTF-8
// count as one character each.
std::size_t utf8Prefix(const char* text, std::size_t length, std::size_t limit)
{
    if (length <= limit)
        return length;
    std::size_t pos = 0;
    while (pos < length) {
        const unsigned char lead = static_cast<unsigned char>(text[pos]);
        std::size_t n = 1;
        if (lead >= 0xC2 && lead <= 0xDF)
            n = 2;
        else if (lead >= 0xE0 && lead <= 0xEF)
            n = 3;
        else if (lead >= 0xF0 && lead <= 0xF4)
            n = 4;
        if (n > 1) {
            for (std::size_t k = 1; k < n; ++k) {
                if (pos + k >= length || (static_cast<unsigned char>(text[pos + k]) & 0xC0) != 0x80) {
                    n = 1;  // broken sequence: its lead byte stands alone
                    break;
                }
            }
        }
        if (pos + n > limit)
            break;
        pos += n;
    }
    return pos;
}

void appendFixed(std::string& line, double value)
{
    // "%f" without the locale: six decimals.
    char buf[400];
    const auto res = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::fixed, 6);
    if (res.ec == std::errc())
        line.append(buf, res.ptr);
    else
        line += std::isnan(value) ? "nan" : (value < 0 ? "-inf" : "inf");
}

}  // namespace

CsvBlockFile::CsvBlockFile(char separator, bool trim)
    : separator_(separator), trim_(trim)
{
}

CsvBlockFile::CsvBlockFile(const std::string& path, std::ios_base::openmode mode)
    : file_name_(path)
{
    // Text mode: lines end in CR LF on Windows, as the files this program
    // appends to have always been written; the reader accepts both.
    out_.open(path, mode | std::ios::out);
}

CsvBlockFile::~CsvBlockFile() = default;

bool CsvBlockFile::parseDeclaration(const std::string& declaration, std::vector<Column>& columns,
                                    int& record_size)
{
    columns.clear();
    record_size = 0;

    std::string text = declaration;
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r'))
        text.pop_back();
    if (text.empty())
        return false;

    std::vector<Column> parsed;
    int offset = 0;
    bool wide = false;
    std::size_t pos = 0;
    bool first = true;
    while (true) {
        if (!first) {
            while (pos < text.size() && isBlank(text[pos]))
                ++pos;
        }
        first = false;
        const std::size_t end = std::min(text.find(',', pos), text.size());
        if (end == pos)
            return false;  // empty field
        int size = 0;
        int align = 1;
        if (!columnShape(text[pos], size, align))
            return false;
        offset = roundUp(offset, align);
        parsed.push_back({text[pos], offset, size});
        offset += size;
        wide = wide || size == 8;
        if (end == text.size())
            break;
        pos = end + 1;
    }

    record_size = roundUp(offset, wide ? 8 : 4);
    columns = std::move(parsed);
    return true;
}

void CsvBlockFile::clear()
{
    records_.clear();
}

bool CsvBlockFile::read(const std::string& path, const char* declaration, bool first_line_is_declaration)
{
    clear();
    columns_.clear();
    record_size_ = 0;
    header_.clear();
    file_name_ = path;
    std::ifstream in(path, std::ios::in | std::ios::binary);
    if (!in.is_open())
        return false;
    return read(in, declaration, first_line_is_declaration);
}

bool CsvBlockFile::read(std::istream& in, const char* declaration, bool first_line_is_declaration)
{
    clear();
    columns_.clear();
    record_size_ = 0;
    header_.clear();
    if (declaration != nullptr) {
        if (std::strlen(declaration) > static_cast<std::size_t>(kMaxDeclarationLength))
            return false;
        header_ = declaration;
    }
    return readLines(in, declaration != nullptr, first_line_is_declaration);
}

namespace {

enum class LineResult { Line, TooLong, End };

// Reads one line without its "\n" or "\r\n". Keeps at most max_length
// characters in memory; a longer line is consumed to its end and reported.
LineResult nextLine(std::istream& in, std::string& line, std::size_t max_length)
{
    line.clear();
    std::istream::int_type c = in.get();
    if (c == std::istream::traits_type::eof())
        return LineResult::End;
    bool too_long = false;
    while (c != std::istream::traits_type::eof() && c != '\n') {
        if (line.size() <= max_length)  // one extra character for a possible '\r'
            line.push_back(static_cast<char>(c));
        else
            too_long = true;
        c = in.get();
    }
    if (!line.empty() && line.back() == '\r')
        line.pop_back();
    if (too_long || line.size() > max_length)
        return LineResult::TooLong;
    return LineResult::Line;
}

}  // namespace

bool CsvBlockFile::readLines(std::istream& in, bool declaration_given, bool first_line_is_declaration)
{
    std::string line;
    if (!declaration_given) {
        if (nextLine(in, line, kMaxLineLength) != LineResult::Line)
            return false;
        header_ = line;
    }
    if (!parseDeclaration(header_, columns_, record_size_))
        return false;
    if (record_size_ < 1 || record_size_ > kMaxRecordSize)
        return false;
    // A declaration line in the file that the caller's declaration replaces,
    // or a header line that is not a declaration: skipped, however long.
    const int skip = (declaration_given && first_line_is_declaration ? 1 : 0) +
                     (first_line_is_declaration ? 0 : 1);
    for (int k = 0; k < skip; ++k) {
        if (nextLine(in, line, kMaxLineLength) == LineResult::End)
            return true;
    }

    while (true) {
        const LineResult r = nextLine(in, line, kMaxLineLength);
        if (r != LineResult::Line)
            break;
        if (!line.empty() && line[0] == '#')
            continue;
        // A blank line (often the last one of a hand-edited file) holds no
        // record; reading it as all zeros would put date 0 into a calendar.
        if (std::all_of(line.begin(), line.end(), [](char ch) { return isBlank(ch); }))
            continue;
        records_.emplace_back(static_cast<std::size_t>(record_size_), static_cast<unsigned char>(0));
        parseRecord(line, records_.back().data());
    }
    return true;
}

void CsvBlockFile::parseRecord(const std::string& line, unsigned char* record) const
{
    std::size_t pos = 0;
    const std::size_t n = line.size();
    for (std::size_t col = 0; col < columns_.size(); ++col) {
        if (pos > n)
            break;  // fewer fields than columns: the rest stays zero
        if (trim_) {
            while (pos < n && isBlank(line[pos]))
                ++pos;
        }
        std::size_t end = line.find(separator_, pos);
        if (end == std::string::npos)
            end = n;
        const char* field = line.data() + pos;
        std::size_t length = end - pos;
        const Column& c = columns_[col];
        unsigned char* at = record + c.offset;

        switch (c.type) {
        case 'i': {
            const long long v = leadingInteger(std::string(field, length));
            const std::int32_t x = static_cast<std::int32_t>(
                std::clamp<long long>(v, std::numeric_limits<std::int32_t>::min(),
                                      std::numeric_limits<std::int32_t>::max()));
            std::memcpy(at, &x, sizeof x);
            break;
        }
        case 'l': {
            const std::int64_t x = leadingInteger(std::string(field, length));
            std::memcpy(at, &x, sizeof x);
            break;
        }
        case 'f': {
            const double v = leadingDouble(std::string(field, length));
            // Narrowed to float; out of its range gives an infinity, as strtof would.
            const float inf = std::numeric_limits<float>::infinity();
            const float x = std::fabs(v) > std::numeric_limits<float>::max() ? (v > 0 ? inf : -inf)
                                                                             : static_cast<float>(v);
            std::memcpy(at, &x, sizeof x);
            break;
        }
        case 'd': {
            const double x = leadingDouble(std::string(field, length));
            std::memcpy(at, &x, sizeof x);
            break;
        }
        case 'c':
            *at = length > 0 ? static_cast<unsigned char>(field[0]) : 0;
            break;
        default: {  // text
            if (trim_) {
                while (length > 0 && isBlank(field[length - 1]))
                    --length;
            }
            const std::size_t keep = utf8Prefix(field, length, static_cast<std::size_t>(c.size - 1));
            std::memcpy(at, field, keep);
            break;
        }
        }
        pos = end + 1;
    }
}

bool CsvBlockFile::isOpen() const
{
    return out_.is_open();
}

bool CsvBlockFile::write(const std::vector<const void*>& records, const char* declaration)
{
    if (!out_.is_open())
        return false;
    return write(out_, records, declaration);
}

bool CsvBlockFile::write(std::ostream& out, const std::vector<const void*>& records, const char* declaration)
{
    if (declaration != nullptr) {
        std::vector<Column> columns;
        int size = 0;
        // A declaration longer than a line could not be read back.
        if (std::strlen(declaration) <= static_cast<std::size_t>(kMaxLineLength) &&
            parseDeclaration(declaration, columns, size)) {
            columns_ = std::move(columns);
            record_size_ = size;
            header_ = declaration;
            while (!header_.empty() && (header_.back() == '\n' || header_.back() == '\r'))
                header_.pop_back();
            out << header_ << '\n';
            out.flush();
        }
    }
    if (columns_.empty())
        return false;

    std::string line;
    for (const void* p : records) {
        if (p == nullptr)
            continue;
        const unsigned char* record = static_cast<const unsigned char*>(p);
        line.clear();
        for (std::size_t col = 0; col < columns_.size(); ++col) {
            const Column& c = columns_[col];
            const unsigned char* at = record + c.offset;
            switch (c.type) {
            case 'i': {
                std::int32_t x;
                std::memcpy(&x, at, sizeof x);
                line += std::to_string(x);
                break;
            }
            case 'l': {
                std::int64_t x;
                std::memcpy(&x, at, sizeof x);
                line += std::to_string(x);
                break;
            }
            case 'f': {
                float x;
                std::memcpy(&x, at, sizeof x);
                appendFixed(line, static_cast<double>(x));
                break;
            }
            case 'd': {
                double x;
                std::memcpy(&x, at, sizeof x);
                appendFixed(line, x);
                break;
            }
            case 'c':
                if (*at != 0)
                    line += static_cast<char>(*at);
                break;
            default: {
                const void* nul = std::memchr(at, 0, static_cast<std::size_t>(c.size));
                const std::size_t length = nul != nullptr
                                               ? static_cast<std::size_t>(static_cast<const unsigned char*>(nul) - at)
                                               : static_cast<std::size_t>(c.size);
                line.append(reinterpret_cast<const char*>(at), length);
                break;
            }
            }
            line += col + 1 < columns_.size() ? separator_ : '\n';
        }
        out << line;
        out.flush();
    }
    return out.good();
}

bool CsvBlockFile::storeText(void* record, const Column& column, const std::string& text)
{
    if (record == nullptr || column.size < 1 || (column.type >= 'a' && column.type <= 'z'))
        return false;
    unsigned char* at = static_cast<unsigned char*>(record) + column.offset;
    const std::size_t limit = static_cast<std::size_t>(column.size - 1);
    const std::size_t keep = utf8Prefix(text.data(), text.size(), limit);
    std::memset(at, 0, static_cast<std::size_t>(column.size));
    std::memcpy(at, text.data(), keep);
    return keep == text.size();
}

const unsigned char* CsvBlockFile::record(std::size_t index) const
{
    return index < records_.size() ? records_[index].data() : nullptr;
}

namespace {

template <typename T>
T loadAt(const unsigned char* record, int offset)
{
    T x;
    std::memcpy(&x, record + offset, sizeof x);
    return x;
}

}  // namespace

std::int32_t CsvBlockFile::intAt(std::size_t rec, std::size_t column) const
{
    if (rec >= records_.size() || column >= columns_.size() || columns_[column].type != 'i')
        return 0;
    return loadAt<std::int32_t>(records_[rec].data(), columns_[column].offset);
}

std::int64_t CsvBlockFile::int64At(std::size_t rec, std::size_t column) const
{
    if (rec >= records_.size() || column >= columns_.size() || columns_[column].type != 'l')
        return 0;
    return loadAt<std::int64_t>(records_[rec].data(), columns_[column].offset);
}

double CsvBlockFile::doubleAt(std::size_t rec, std::size_t column) const
{
    if (rec >= records_.size() || column >= columns_.size())
        return 0;
    const Column& c = columns_[column];
    if (c.type == 'd')
        return loadAt<double>(records_[rec].data(), c.offset);
    if (c.type == 'f')
        return static_cast<double>(loadAt<float>(records_[rec].data(), c.offset));
    return 0;
}

char CsvBlockFile::charAt(std::size_t rec, std::size_t column) const
{
    if (rec >= records_.size() || column >= columns_.size() || columns_[column].type != 'c')
        return 0;
    return static_cast<char>(records_[rec][static_cast<std::size_t>(columns_[column].offset)]);
}

std::string CsvBlockFile::textAt(std::size_t rec, std::size_t column) const
{
    if (rec >= records_.size() || column >= columns_.size())
        return std::string();
    const Column& c = columns_[column];
    if (c.type < '0' || c.type > '9')
        return std::string();
    const char* at = reinterpret_cast<const char*>(records_[rec].data() + c.offset);
    return std::string(at, strnlen(at, static_cast<std::size_t>(c.size)));
}
