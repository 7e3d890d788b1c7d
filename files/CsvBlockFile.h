#pragma once

#include <cstddef>
#include <cstdint>
#include <fstream>
#include <ios>
#include <istream>
#include <ostream>
#include <string>
#include <vector>

// Typed CSV file: the first line declares the byte layout of every record by
// one type code per column, each following line is one record.
//
//   code  column           bytes  aligned  read from the field
//   i     32-bit int         4      4      leading decimal integer, else 0
//   l     64-bit int         8      8      the same, 64 bits wide
//   f     float              4      4      leading decimal number, else 0
//   d     double             8      8      the same, as a double
//   c     one character      1      1      first character of the field
//   0..9  text, 2^digit      2^d    1      at most 2^digit - 1 bytes, NUL-terminated
//
// Columns are laid out like the members of a plain struct with natural
// alignment; the record size is the end of the last column rounded up to 8 if
// any column is 8 bytes wide, else to 4. "iNO,lEnquiryID,5ProductName" gives
// an int at 0, a 64-bit int at 8 and a 32-byte text at 16, 48 bytes in all.
//
// One object either reads (the separator/trim constructor, then read) or
// writes (the path/mode constructor, then write).
class CsvBlockFile
{
public:
    struct Column
    {
        char type;   // the type code
        int offset;  // byte offset in the record
        int size;    // byte size
    };

    // A line holds at most this many characters (without its line break);
    // a longer data line ends the read.
    static constexpr int kMaxLineLength = 1023;
    // Records are 1..kMaxRecordSize bytes; so is a declaration given by the caller.
    static constexpr int kMaxRecordSize = 1024;
    static constexpr int kMaxDeclarationLength = 1024;

    // Reading side.
    explicit CsvBlockFile(char separator = ',', bool trim = true);
    // Writing side: opens path with mode | out (e.g. std::ios::app to append,
    // creating the file when missing). A failure leaves the stream closed and
    // every write a no-op.
    CsvBlockFile(const std::string& path, std::ios_base::openmode mode);
    ~CsvBlockFile();

    CsvBlockFile(const CsvBlockFile&) = delete;
    CsvBlockFile& operator=(const CsvBlockFile&) = delete;

    // Parses a declaration ("iDate", "iNO,lEnquiryID,5ProductName", ...).
    // Fields are separated by ","; blanks right after a comma are ignored; a
    // trailing line break is ignored. An empty text, an empty field or an
    // unknown type code makes it invalid (false, outputs cleared).
    static bool parseDeclaration(const std::string& declaration, std::vector<Column>& columns,
                                 int& record_size);

    // Reads every record of the file. declaration: the layout to use, or null
    // to take the file's first line as the declaration (at most 1024
    // characters). first_line_is_declaration: whether the file's first line
    // is a declaration; with a given declaration that line is skipped, and
    // when false one header line (after the declaration line, if that is read
    // from the file) is skipped. Lines starting with "#" and blank lines are skipped; a line
    // with fewer fields than columns leaves the rest zero, extra fields are
    // ignored. A data line longer than kMaxLineLength ends the read, keeping
    // the records read so far. Fails on a missing file, an invalid or too
    // long declaration, or a record size outside 1..kMaxRecordSize.
    bool read(const std::string& path, const char* declaration = nullptr,
              bool first_line_is_declaration = true);
    // The same from any stream (the file name is left as it was).
    bool read(std::istream& in, const char* declaration = nullptr,
              bool first_line_is_declaration = true);

    // Writing side: writes the declaration line (when given and valid), then
    // one line per record: "%d" for i, signed decimal for l, six decimals for
    // f and d, the character for c, the text up to its NUL (never past the
    // column) for text columns; fields joined by the separator. Each line is
    // flushed. records point to buffers laid out by the declaration (the last
    // one given or parsed by this object). Returns false only when the file
    // is not open or no valid declaration is known.
    bool write(const std::vector<const void*>& records, const char* declaration);
    // The same lines into any stream (a front end that writes the file whole).
    bool write(std::ostream& out, const std::vector<const void*>& records, const char* declaration);
    bool isOpen() const;

    // Stores text into a text column of a record, cut at a UTF-8 character
    // boundary to fit size - 1 bytes. Returns false when the text was cut.
    static bool storeText(void* record, const Column& column, const std::string& text);

    const std::vector<Column>& columns() const { return columns_; }
    int recordSize() const { return record_size_; }
    const std::string& header() const { return header_; }
    const std::string& fileName() const { return file_name_; }
    char separator() const { return separator_; }
    bool trim() const { return trim_; }

    std::size_t recordCount() const { return records_.size(); }
    // The record buffer (recordSize() bytes), null when index is out of range.
    const unsigned char* record(std::size_t index) const;

    // Typed reads of one column of one record; 0 / "" when out of range or of
    // another type.
    std::int32_t intAt(std::size_t record, std::size_t column) const;
    std::int64_t int64At(std::size_t record, std::size_t column) const;
    double doubleAt(std::size_t record, std::size_t column) const;  // f or d
    char charAt(std::size_t record, std::size_t column) const;
    std::string textAt(std::size_t record, std::size_t column) const;

    // Frees the records.
    void clear();

private:
    bool readLines(std::istream& in, bool declaration_given, bool first_line_is_declaration);
    void parseRecord(const std::string& line, unsigned char* record) const;

    std::vector<Column> columns_;
    int record_size_ = 0;
    std::string header_;
    std::string file_name_;
    char separator_ = ',';
    bool trim_ = true;
    std::vector<std::vector<unsigned char>> records_;
    std::ofstream out_;
};
