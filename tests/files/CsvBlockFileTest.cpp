#include "CalendarTestSupport.h"

#include <cstring>
#include <tuple>

using Columns = std::vector<CsvBlockFile::Column>;

TEST(CsvDeclaration, LaysColumnsOutLikeAPlainStruct)
{
    struct Row { const char* declaration; std::vector<int> offsets; int size; };
    const Row rows[] = {
        {"iDate,dValue", {0, 8}, 16}, {"cFlag,iCount", {0, 4}, 8}, {"5Name", {0}, 32},
        {"iNO,lEnquiryID,5ProductName", {0, 8, 16}, 48},
        {"cA", {0}, 4}, {"2A,cB", {0, 4}, 8},   // no 8-byte column: rounded to 4
        {"3A,cB", {0, 8}, 16},                   // an 8-byte text counts as wide
        {"fA,cB,lC", {0, 4, 8}, 16}, {"0A,1B,2C,iD", {0, 1, 3, 8}, 12},
        {"iA,  \tdB\r\n", {0, 8}, 16},           // blanks after a comma, a line break
        // The structure file's record.
        {"iNO,lEnquiryID,5ProductName,3Category,3Type,4Underlier,dNotional,dOpenPrice,dKnockOut,dKnockIn,"
         "dCouponOut,dCouponDiv,dBottom,dDeltaCeiling,dCallStrike,dPartRate,iMaturity,iDateBegin,iDateEnd,"
         "dVolatility,9Observe",
         {0, 8, 16, 48, 56, 64, 80, 88, 96, 104, 112, 120, 128, 136, 144, 152, 160, 164, 168, 176, 184}, 696},
    };
    for (const Row& r : rows) {
        Columns c;
        int size = 0;
        ASSERT_TRUE(CsvBlockFile::parseDeclaration(r.declaration, c, size)) << r.declaration;
        std::vector<int> offsets(c.size());
        std::transform(c.begin(), c.end(), offsets.begin(), [](const CsvBlockFile::Column& col) { return col.offset; });
        EXPECT_EQ(offsets, r.offsets) << r.declaration;
        EXPECT_EQ(size, r.size) << r.declaration;
    }
    for (const char* bad : {"", "\n", "Date", "DATE", "I", "zDate", "iA,Dx", "iA,,dB", "iA,", ",iA", "iA, ", " iA"}) {
        Columns c{{'i', 0, 4}};
        int size = 7;
        EXPECT_FALSE(CsvBlockFile::parseDeclaration(bad, c, size)) << '"' << bad << '"';
        EXPECT_TRUE(c.empty() && size == 0) << '"' << bad << '"';
    }
}

// Blanks before a field and after a text are dropped. A 3 column holds 7
// bytes and "中文" takes 6, so "文" does not fit whole.
TEST(CsvRead, FieldsOfEveryTypeAndLinesOfEveryShape)
{
    std::istringstream in("iI,lL,fF,dD,cC,3T\n# a comment line\n"
                          "  42,  -9000000000, 1.5,  -2.25e3, xyz,  ab  \n\n"
                          "7\r\n   \n"               // fewer fields than columns
                          "1,2,3,4,5,ab中文,7,8\n");  // more fields than columns
    CsvBlockFile f;
    ASSERT_TRUE(f.read(in));
    ASSERT_EQ(f.recordCount(), 3u);
    EXPECT_EQ(std::make_tuple(f.intAt(0, 0), f.int64At(0, 1), f.doubleAt(0, 2), f.doubleAt(0, 3), f.charAt(0, 4)),
              std::make_tuple(42, -9000000000LL, 1.5, -2250.0, 'x'));
    EXPECT_EQ(f.textAt(0, 5), "ab");
    EXPECT_EQ(f.intAt(1, 0), 7);
    EXPECT_TRUE(std::all_of(f.record(1) + 4, f.record(1) + f.recordSize(), [](unsigned char b) { return b == 0; }));
    EXPECT_EQ(f.textAt(2, 5), "ab中");
    EXPECT_TRUE(f.int64At(0, 0) == 0 && f.textAt(0, 0).empty() && f.record(3) == nullptr);  // wrong type or index

    std::istringstream semicolons("iA,3T\n 12; ab \n");  // the declaration always uses ","
    CsvBlockFile untrimmed(';', false);
    ASSERT_TRUE(untrimmed.read(semicolons));
    EXPECT_EQ(std::make_pair(untrimmed.intAt(0, 0), untrimmed.textAt(0, 1)), std::make_pair(12, std::string(" ab ")));
}

TEST(CsvRead, NonNumericFieldsReadAsTheirLeadingNumberOrZeroAndSaturate)
{
    std::istringstream in("iA,dB,fC\nabc,x1.5,nope\n12abc,3.5kg,+2.5\n"
                          "99999999999,1e999,1e60\n-99999999999,-1e999,-1e60\n");
    using Row = std::tuple<std::int32_t, double, double>;
    const Row rows[] = {{0, 0, 0}, {12, 3.5, 2.5}, {INT_MAX, HUGE_VAL, HUGE_VALF}, {INT_MIN, -HUGE_VAL, -HUGE_VALF}};
    CsvBlockFile f;
    ASSERT_TRUE(f.read(in));
    ASSERT_EQ(f.recordCount(), 4u);
    for (std::size_t k = 0; k < 4; ++k)
        EXPECT_EQ(Row(f.intAt(k, 0), f.doubleAt(k, 1), f.doubleAt(k, 2)), rows[k]) << "record " << k;
}

// One reader for every row, so that a row after a longer one also shows that
// reading again frees the earlier records. first: the i value of record 0.
TEST(CsvRead, FileOutcomes)
{
    const auto line = [](std::size_t n) { return "1," + std::string(n - 2, 'x'); };  // n characters
    const std::string decl1024 = "iN" + std::string(1022, 'x');
    struct Row { const char* what; std::string content, declaration; bool declares_first, ok; int records, first; };
    const Row rows[] = {
        {"three records", "iN\n1\n2\n3\n", "", true, true, 3, 1},
        {"empty file", "", "", true, false, 0, 0},
        {"upper-case declaration", "Date\n20240102\n", "", true, false, 0, 0},
        {"unknown type code", "zDate\n20240102\n", "", true, false, 0, 0},
        {"declaration only", "iDate\n", "", true, true, 0, 0},
        {"header of 1023 characters", "iN" + std::string(1021, 'x') + "\n7\n", "", true, true, 1, 7},
        {"header of 1024 characters", "iN" + std::string(1022, 'x') + "\n7\n", "", true, false, 0, 0},
        {"header of 5000 characters", "iN" + std::string(4998, 'x') + "\n7\n", "", true, false, 0, 0},
        {"line of 1023 characters", "iN\n" + line(1023) + "\r\n4\n", "", true, true, 2, 1},
        {"line of 1024 characters", "iN\n5\n" + line(1024) + "\n6\n", "", true, true, 1, 5},
        {"line of 5000 characters", "iN\n5\n" + line(5000) + "\n6\n", "", true, true, 1, 5},
        {"line of 5000 characters, unterminated", "iN\n5\n" + line(5000), "", true, true, 1, 5},
        {"record of 1024 bytes", "9A,9B\nx,y\n", "", true, true, 1, 0},
        {"record of 1025+ bytes", "9A,9B,cC\nx,y,z\n", "", true, false, 0, 0},
        {"given declaration replaces the file's", "dA\n1.5\n", "iN", true, true, 1, 1},
        {"header line after the declaration", "iN\ntitle\n5\n", "", false, true, 1, 5},
        {"given declaration of 1025", "title\n3\n4\n", decl1024 + "x", false, false, 0, 0},
        {"given declaration of 1024, a title", "title\n3\n4\n", decl1024, false, true, 2, 3},
    };
    TempDir dir;
    CsvBlockFile f;
    for (const Row& r : rows) {
        const char* declaration = r.declaration.empty() ? nullptr : r.declaration.c_str();
        EXPECT_EQ(f.read(dir.write("f.csv", r.content), declaration, r.declares_first), r.ok) << r.what;
        EXPECT_EQ(f.recordCount(), static_cast<std::size_t>(r.records)) << r.what;
        EXPECT_EQ(f.intAt(0, 0), r.first) << r.what;
    }
    for (const std::string& path : {dir.path("missing.csv"), dir.path(""), std::string()})  // no file, a folder
        EXPECT_TRUE(!f.read(path) && f.recordCount() == 0) << '"' << path << '"';
}

TEST(CsvWrite, HeaderAndOneLinePerRecordAppendedWithTheLastValidDeclaration)
{
    const std::string declaration = "iA,lB,fC,dD,cE,cF,2G";
    std::istringstream in(declaration + "\n-2147483648,-9223372036854775808,0.1,-1234.5678916,Q,,WXY\n");
    CsvBlockFile source;
    ASSERT_TRUE(source.read(in) && source.recordCount() == 1);
    std::vector<unsigned char> rec(source.record(0), source.record(0) + source.recordSize());
    std::memcpy(rec.data() + source.columns()[6].offset, "WXYZ", 4);  // no terminator: stop at the column's end

    TempDir dir;
    EXPECT_FALSE(CsvBlockFile(dir.path("no/such/x.csv"), std::ios::app).write({rec.data()}, declaration.c_str()));
    for (int save = 0; save < 2; ++save) {  // a second save appends, nothing is lost
        CsvBlockFile w(dir.path("out.csv"), std::ios::app);
        EXPECT_FALSE(w.write({rec.data()}, "Date"));  // no valid declaration known yet
        EXPECT_TRUE(w.write({nullptr, rec.data()}, declaration.c_str()));
        EXPECT_TRUE(w.write({rec.data()}, "bad"));
    }
    const std::string line = "-2147483648,-9223372036854775808,0.100000,-1234.567892,Q,,WXYZ\n";
    std::stringstream written;
    written << std::ifstream(dir.path("out.csv"), std::ios::binary).rdbuf();
    EXPECT_EQ(written.str(), declaration + "\n" + line + line + declaration + "\n" + line + line);
}

TEST(CsvWrite, StoreTextIsCutAtACharacterBoundaryAndNeverWritesPastItsColumn)
{
    Columns c;
    int size = 0;
    ASSERT_TRUE(CsvBlockFile::parseDeclaration("9Observe,iGuard", c, size));
    std::vector<unsigned char> rec(static_cast<std::size_t>(size), 0xA5);
    const auto text = [&] { return std::string(reinterpret_cast<const char*>(rec.data())); };
    const auto guarded = [&] { return std::count(rec.begin() + 512, rec.end(), 0xA5) == 4; };
    EXPECT_FALSE(CsvBlockFile::storeText(rec.data(), c[0], std::string(600, '7')));
    EXPECT_EQ(text(), std::string(511, '7'));
    EXPECT_FALSE(CsvBlockFile::storeText(rec.data(), c[0], std::string(510, 'a') + "中"));
    EXPECT_EQ(text(), std::string(510, 'a'));
    EXPECT_TRUE(CsvBlockFile::storeText(rec.data(), c[0], "short"));
    EXPECT_EQ(text(), "short");
    EXPECT_EQ(rec[6], 0);  // the earlier text is cleared, not just overwritten
    EXPECT_FALSE(CsvBlockFile::storeText(rec.data(), c[1], "1"));  // not a text column
    EXPECT_TRUE(guarded());
}
