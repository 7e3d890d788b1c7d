#include "CsvBlockFile.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

namespace {

using Columns = std::vector<CsvBlockFile::Column>;

const char* const kStructureHeader =
    "iNO,lEnquiryID,5ProductName,3Category,3Type,4Underlier,dNotional,dOpenPrice,dKnockOut,dKnockIn,"
    "dCouponOut,dCouponDiv,dBottom,dDeltaCeiling,dCallStrike,dPartRate,iMaturity,iDateBegin,iDateEnd,"
    "dVolatility,9Observe";

class CsvFile : public ::testing::Test
{
protected:
    void SetUp() override
    {
        dir = fs::temp_directory_path() /
              ("kelvara_csv_" + std::to_string(::getpid()) + "_" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir);
        fs::create_directories(dir);
    }
    void TearDown() override { fs::remove_all(dir); }

    std::string file(const std::string& name, const std::string& content)
    {
        const fs::path p = dir / name;
        std::ofstream(p, std::ios::binary) << content;
        return p.string();
    }

    static std::string slurp(const std::string& path)
    {
        std::ifstream in(path, std::ios::binary);
        std::stringstream ss;
        ss << in.rdbuf();
        return ss.str();
    }

    fs::path dir;
};

// --------------------------------------------------------------- declaration

TEST(CsvDeclaration, LaysColumnsOutWithNaturalAlignment)
{
    Columns c;
    int size = 0;

    ASSERT_TRUE(CsvBlockFile::parseDeclaration("iDate,dValue", c, size));
    ASSERT_EQ(c.size(), 2u);
    EXPECT_EQ(c[0].offset, 0);
    EXPECT_EQ(c[1].offset, 8);
    EXPECT_EQ(c[1].size, 8);
    EXPECT_EQ(size, 16);

    ASSERT_TRUE(CsvBlockFile::parseDeclaration("cFlag,iCount", c, size));
    EXPECT_EQ(c[1].offset, 4);
    EXPECT_EQ(size, 8);

    ASSERT_TRUE(CsvBlockFile::parseDeclaration("5Name", c, size));
    EXPECT_EQ(c[0].size, 32);
    EXPECT_EQ(size, 32);

    ASSERT_TRUE(CsvBlockFile::parseDeclaration("iNO,lEnquiryID,5ProductName", c, size));
    EXPECT_EQ(c[1].offset, 8);
    EXPECT_EQ(c[2].offset, 16);
    EXPECT_EQ(size, 48);

    // Without an 8-byte column the size rounds to 4 only.
    ASSERT_TRUE(CsvBlockFile::parseDeclaration("cA", c, size));
    EXPECT_EQ(size, 4);
    ASSERT_TRUE(CsvBlockFile::parseDeclaration("2A,cB", c, size));
    EXPECT_EQ(size, 8);
    // An 8-byte text column counts as 8 bytes wide.
    ASSERT_TRUE(CsvBlockFile::parseDeclaration("3A,cB", c, size));
    EXPECT_EQ(size, 16);
    ASSERT_TRUE(CsvBlockFile::parseDeclaration("fA,cB,lC", c, size));
    EXPECT_EQ(c[2].offset, 8);
    EXPECT_EQ(size, 16);
    // Text columns are byte-aligned, 2^digit bytes.
    ASSERT_TRUE(CsvBlockFile::parseDeclaration("0A,1B,2C,iD", c, size));
    EXPECT_EQ(c[1].offset, 1);
    EXPECT_EQ(c[2].offset, 3);
    EXPECT_EQ(c[3].offset, 8);
    EXPECT_EQ(size, 12);
}

TEST(CsvDeclaration, StructureRecordMatchesItsPublishedLayout)
{
    Columns c;
    int size = 0;
    ASSERT_TRUE(CsvBlockFile::parseDeclaration(kStructureHeader, c, size));
    ASSERT_EQ(c.size(), 21u);
    EXPECT_EQ(size, 696);
    const int offsets[] = {0, 8, 16, 48, 56, 64, 80, 88, 96, 104, 112, 120, 128, 136, 144, 152, 160, 164, 168, 176, 184};
    const int sizes[] = {4, 8, 32, 8, 8, 16, 8, 8, 8, 8, 8, 8, 8, 8, 8, 8, 4, 4, 4, 8, 512};
    for (int k = 0; k < 21; ++k) {
        EXPECT_EQ(c[k].offset, offsets[k]) << "column " << k;
        EXPECT_EQ(c[k].size, sizes[k]) << "column " << k;
    }
}

TEST(CsvDeclaration, BlanksAfterACommaAndATrailingLineBreakAreIgnored)
{
    Columns c;
    int size = 0;
    ASSERT_TRUE(CsvBlockFile::parseDeclaration("iA,  \tdB\r\n", c, size));
    ASSERT_EQ(c.size(), 2u);
    EXPECT_EQ(c[1].type, 'd');
}

TEST(CsvDeclaration, RejectsUnknownCodesEmptyFieldsAndEmptyText)
{
    Columns c;
    int size = 7;
    for (const char* bad : {"", "\n", "Date", "DATE", "iA,Dx", "iA,,dB", "iA,", ",iA", "xA", "iA, ", " iA", "I"}) {
        EXPECT_FALSE(CsvBlockFile::parseDeclaration(bad, c, size)) << '"' << bad << '"';
        EXPECT_TRUE(c.empty());
        EXPECT_EQ(size, 0);
    }
}

// --------------------------------------------------------------- reading

TEST_F(CsvFile, ReadsTypedFieldsWithTrimmingCommentsAndBlankLines)
{
    const std::string p = file("t.csv",
                               "iI,lL,fF,dD,cC,3T\n"
                               "# a comment line\n"
                               "  42,  -9000000000, 1.5,  -2.25e3, xyz,  ab  \n"
                               "\n"
                               "7\r\n"
                               "   \n"
                               "#\n"
                               "1,2,3,4,5,6,7,8\n");
    CsvBlockFile f;
    ASSERT_TRUE(f.read(p));
    EXPECT_EQ(f.header(), "iI,lL,fF,dD,cC,3T");
    EXPECT_EQ(f.recordSize(), 48);
    ASSERT_EQ(f.recordCount(), 3u);

    EXPECT_EQ(f.intAt(0, 0), 42);
    EXPECT_EQ(f.int64At(0, 1), -9000000000LL);
    EXPECT_DOUBLE_EQ(f.doubleAt(0, 2), 1.5);
    EXPECT_DOUBLE_EQ(f.doubleAt(0, 3), -2250.0);
    EXPECT_EQ(f.charAt(0, 4), 'x');
    EXPECT_EQ(f.textAt(0, 5), "ab");  // leading and trailing blanks dropped

    // A short line leaves the remaining columns zero.
    EXPECT_EQ(f.intAt(1, 0), 7);
    EXPECT_EQ(f.int64At(1, 1), 0);
    EXPECT_EQ(f.charAt(1, 4), '\0');
    EXPECT_EQ(f.textAt(1, 5), "");
    const unsigned char* r = f.record(1);
    ASSERT_NE(r, nullptr);
    for (int k = 4; k < f.recordSize(); ++k)
        EXPECT_EQ(r[k], 0) << "byte " << k;

    // Extra fields are ignored.
    EXPECT_EQ(f.intAt(2, 0), 1);
    EXPECT_EQ(f.textAt(2, 5), "6");
    EXPECT_EQ(f.record(3), nullptr);
}

TEST_F(CsvFile, NonNumericFieldsReadAsTheirLeadingNumberOrZero)
{
    const std::string p = file("t.csv",
                               "iA,dB,fC\n"
                               "abc,x1.5,nope\n"
                               "12abc,3.5kg,+2.5\n"
                               "99999999999,1e999,1e60\n"
                               "-99999999999,-1e999,-0\n");
    CsvBlockFile f;
    ASSERT_TRUE(f.read(p));
    ASSERT_EQ(f.recordCount(), 4u);
    EXPECT_EQ(f.intAt(0, 0), 0);
    EXPECT_EQ(f.doubleAt(0, 1), 0.0);
    EXPECT_EQ(f.doubleAt(0, 2), 0.0);
    EXPECT_EQ(f.intAt(1, 0), 12);
    EXPECT_DOUBLE_EQ(f.doubleAt(1, 1), 3.5);
    EXPECT_DOUBLE_EQ(f.doubleAt(1, 2), 2.5);
    // Out of range values saturate instead of wrapping.
    EXPECT_EQ(f.intAt(2, 0), INT32_MAX);
    EXPECT_EQ(f.doubleAt(2, 1), HUGE_VAL);
    EXPECT_EQ(f.doubleAt(2, 2), static_cast<double>(HUGE_VALF));  // narrowed to float
    EXPECT_EQ(f.intAt(3, 0), INT32_MIN);
    EXPECT_EQ(f.doubleAt(3, 1), -HUGE_VAL);
}

TEST_F(CsvFile, TextLongerThanItsColumnIsCutAtACharacterBoundary)
{
    // A 3 column holds 7 bytes; "中" is 3 bytes in UTF-8.
    const std::string p = file("t.csv",
                               "3T,iN\n"
                               "abcdefghij,1\n"
                               "abcdef中,2\n"
                               "ab中文,3\n"
                               "abcde中,4\n");
    CsvBlockFile f;
    ASSERT_TRUE(f.read(p));
    ASSERT_EQ(f.recordCount(), 4u);
    EXPECT_EQ(f.textAt(0, 0), "abcdefg");
    EXPECT_EQ(f.textAt(1, 0), "abcdef");
    EXPECT_EQ(f.textAt(2, 0), "ab中");
    EXPECT_EQ(f.textAt(3, 0), "abcde");
    for (int k = 0; k < 4; ++k) {
        EXPECT_EQ(f.record(k)[7], 0) << "text not terminated in record " << k;
        EXPECT_EQ(f.intAt(k, 1), k + 1);
    }
}

TEST_F(CsvFile, LinesOfUpTo1023CharactersAreReadALongerOneEndsTheRead)
{
    const std::string l1023 = "1," + std::string(1021, 'x');
    const std::string l1024 = "2," + std::string(1022, 'x');
    const std::string l5000 = "3," + std::string(4998, 'x');
    ASSERT_EQ(l1023.size(), 1023u);

    CsvBlockFile f;
    ASSERT_TRUE(f.read(file("a.csv", "iN,9T\n" + l1023 + "\r\n" + l1024 + "\n4\n")));
    ASSERT_EQ(f.recordCount(), 1u);  // kept what came before the long line
    EXPECT_EQ(f.intAt(0, 0), 1);
    EXPECT_EQ(f.textAt(0, 1), std::string(511, 'x'));

    ASSERT_TRUE(f.read(file("b.csv", "iN\n5\n" + l5000 + "\n6\n")));
    ASSERT_EQ(f.recordCount(), 1u);
    EXPECT_EQ(f.intAt(0, 0), 5);

    // The long line as the last one, without a line break.
    ASSERT_TRUE(f.read(file("c.csv", "iN\n5\n" + l5000)));
    EXPECT_EQ(f.recordCount(), 1u);
}

TEST_F(CsvFile, HeaderAndDeclarationLengthLimits)
{
    CsvBlockFile f;
    // A header line of 1024+ characters cannot be read as a declaration.
    const std::string header = "iN" + std::string(1030, 'x');
    EXPECT_FALSE(f.read(file("h.csv", header + "\n1\n")));
    EXPECT_EQ(f.recordCount(), 0u);

    // A declaration given by the caller may have 1024 characters, not more.
    std::string decl = "iN" + std::string(1022, 'x');
    ASSERT_EQ(decl.size(), 1024u);
    const std::string data = file("d.csv", "header\n1\n2\n");
    EXPECT_TRUE(f.read(data, decl.c_str(), false));
    EXPECT_EQ(f.recordCount(), 2u);
    decl += 'x';
    EXPECT_FALSE(f.read(data, decl.c_str(), false));
    EXPECT_EQ(f.recordCount(), 0u);
}

TEST_F(CsvFile, RecordSizeMustStayWithin1024Bytes)
{
    CsvBlockFile f;
    EXPECT_TRUE(f.read(file("ok.csv", "9A,9B\nx,y\n")));
    EXPECT_EQ(f.recordSize(), 1024);
    EXPECT_EQ(f.recordCount(), 1u);
    EXPECT_FALSE(f.read(file("big.csv", "9A,9B,cC\nx,y,z\n")));
    EXPECT_EQ(f.recordCount(), 0u);
}

TEST_F(CsvFile, MissingEmptyAndInvalidFilesFail)
{
    CsvBlockFile f;
    EXPECT_FALSE(f.read((dir / "missing.csv").string()));
    EXPECT_FALSE(f.read(dir.string()));  // a folder
    EXPECT_FALSE(f.read(""));
    EXPECT_FALSE(f.read(file("empty.csv", "")));
    EXPECT_FALSE(f.read(file("upper.csv", "Date\n20240102\n")));
    EXPECT_FALSE(f.read(file("unknown.csv", "zDate\n20240102\n")));
    EXPECT_EQ(f.recordCount(), 0u);
    // A declaration without data is a valid file with no records.
    EXPECT_TRUE(f.read(file("decl.csv", "iDate\n")));
    EXPECT_EQ(f.recordCount(), 0u);
}

TEST_F(CsvFile, ReadingAgainFreesTheEarlierRecords)
{
    CsvBlockFile f;
    ASSERT_TRUE(f.read(file("a.csv", "iN\n1\n2\n3\n")));
    EXPECT_EQ(f.recordCount(), 3u);
    ASSERT_TRUE(f.read(file("b.csv", "iN\n9\n")));
    ASSERT_EQ(f.recordCount(), 1u);
    EXPECT_EQ(f.intAt(0, 0), 9);
    EXPECT_FALSE(f.read((dir / "missing.csv").string()));
    EXPECT_EQ(f.recordCount(), 0u);
}

TEST_F(CsvFile, GivenDeclarationAndHeaderLines)
{
    CsvBlockFile f;
    // The file's own declaration line is replaced by the caller's.
    ASSERT_TRUE(f.read(file("a.csv", "iA,iB\n1,2\n"), "dX,dY", true));
    ASSERT_EQ(f.recordCount(), 1u);
    EXPECT_DOUBLE_EQ(f.doubleAt(0, 1), 2.0);
    // A header that is not a declaration is skipped.
    ASSERT_TRUE(f.read(file("b.csv", "some title\n1,2\n"), "iA,iB", false));
    ASSERT_EQ(f.recordCount(), 1u);
    EXPECT_EQ(f.intAt(0, 1), 2);
    // Declaration from the file and one header line after it.
    ASSERT_TRUE(f.read(file("c.csv", "iA\ntitle\n5\n"), nullptr, false));
    ASSERT_EQ(f.recordCount(), 1u);
    EXPECT_EQ(f.intAt(0, 0), 5);
}

TEST(CsvRead, OtherSeparatorAndNoTrimming)
{
    // The declaration always separates its fields by ",".
    std::istringstream in("iA,3T\n 12; ab \n");
    CsvBlockFile f(';', false);
    ASSERT_TRUE(f.read(in));
    ASSERT_EQ(f.recordCount(), 1u);
    EXPECT_EQ(f.intAt(0, 0), 12);
    EXPECT_EQ(f.textAt(0, 1), " ab ");
}

TEST(CsvRead, TypedAccessorsRefuseOtherTypesAndIndices)
{
    std::istringstream in("iA,dB\n1,2\n");
    CsvBlockFile f;
    ASSERT_TRUE(f.read(in));
    EXPECT_EQ(f.int64At(0, 0), 0);
    EXPECT_EQ(f.intAt(0, 1), 0);
    EXPECT_EQ(f.textAt(0, 0), "");
    EXPECT_EQ(f.intAt(1, 0), 0);
    EXPECT_EQ(f.intAt(0, 5), 0);
}

// --------------------------------------------------------------- writing

TEST_F(CsvFile, WritesHeaderAndOneLinePerRecordInItsFormats)
{
    Columns c;
    int size = 0;
    ASSERT_TRUE(CsvBlockFile::parseDeclaration(kStructureHeader, c, size));
    std::vector<unsigned char> rec(static_cast<std::size_t>(size), 0);
    auto putDouble = [&](int col, double v) { std::memcpy(rec.data() + c[col].offset, &v, 8); };
    auto putInt = [&](int col, std::int32_t v) { std::memcpy(rec.data() + c[col].offset, &v, 4); };
    EXPECT_TRUE(CsvBlockFile::storeText(rec.data(), c[4], "AC"));
    EXPECT_TRUE(CsvBlockFile::storeText(rec.data(), c[5], "510050"));
    putDouble(6, 1000000);
    putDouble(7, 100);
    putDouble(8, 103);
    putDouble(9, 80);
    putDouble(10, 16);
    putDouble(11, 16);
    putInt(17, 20240105);
    putInt(18, 20250106);
    putDouble(19, 18);
    EXPECT_TRUE(CsvBlockFile::storeText(rec.data(), c[20], "20240405_20250106"));

    const std::string path = (dir / "autocall.csv").string();
    {
        CsvBlockFile w(path, std::ios::app);
        ASSERT_TRUE(w.isOpen());
        EXPECT_TRUE(w.write({rec.data()}, kStructureHeader));
    }
    const std::string line =
        "0,0,,,AC,510050,1000000.000000,100.000000,103.000000,80.000000,16.000000,16.000000,"
        "0.000000,0.000000,0.000000,0.000000,0,20240105,20250106,18.000000,20240405_20250106\n";
    EXPECT_EQ(slurp(path), std::string(kStructureHeader) + "\n" + line);

    // Appending: a second save adds header and record again, nothing is lost.
    {
        CsvBlockFile w(path, std::ios::app);
        EXPECT_TRUE(w.write({rec.data()}, kStructureHeader));
    }
    EXPECT_EQ(slurp(path), std::string(kStructureHeader) + "\n" + line + kStructureHeader + "\n" + line);

    // What was written reads back.
    CsvBlockFile r;
    ASSERT_TRUE(r.read(path));
    ASSERT_EQ(r.recordCount(), 3u);  // record, the second header read as a record, record
    EXPECT_EQ(r.textAt(2, 4), "AC");
    EXPECT_DOUBLE_EQ(r.doubleAt(2, 8), 103.0);
    EXPECT_EQ(r.intAt(2, 18), 20250106);
    EXPECT_EQ(r.textAt(2, 20), "20240405_20250106");
}

TEST_F(CsvFile, WritesEdgeValuesOfEveryType)
{
    const char* decl = "iA,lB,fC,dD,cE,cF,2G";
    Columns c;
    int size = 0;
    ASSERT_TRUE(CsvBlockFile::parseDeclaration(decl, c, size));
    std::vector<unsigned char> rec(static_cast<std::size_t>(size), 0);
    const std::int32_t a = INT32_MIN;
    const std::int64_t b = INT64_MIN;
    const float f = 0.1f;
    const double d = -1234.5678916;
    std::memcpy(rec.data() + c[0].offset, &a, 4);
    std::memcpy(rec.data() + c[1].offset, &b, 8);
    std::memcpy(rec.data() + c[2].offset, &f, 4);
    std::memcpy(rec.data() + c[3].offset, &d, 8);
    rec[static_cast<std::size_t>(c[4].offset)] = 'Q';
    // c[5] stays NUL; the 4-byte text column gets no terminator at all.
    std::memcpy(rec.data() + c[6].offset, "WXYZ", 4);

    const std::string path = (dir / "edge.csv").string();
    {
        CsvBlockFile w(path, std::ios::trunc);
        ASSERT_TRUE(w.write({rec.data(), nullptr}, decl));
    }
    EXPECT_EQ(slurp(path), std::string(decl) + "\n" +
                               "-2147483648,-9223372036854775808,0.100000,-1234.567892,Q,,WXYZ\n");
}

TEST_F(CsvFile, StoreTextNeverWritesPastItsColumn)
{
    Columns c;
    int size = 0;
    ASSERT_TRUE(CsvBlockFile::parseDeclaration("9Observe,iGuard", c, size));
    std::vector<unsigned char> rec(static_cast<std::size_t>(size), 0);
    const std::int32_t guard = 0x5A5A5A5A;
    std::memcpy(rec.data() + c[1].offset, &guard, 4);

    const std::string longText(600, '7');
    EXPECT_FALSE(CsvBlockFile::storeText(rec.data(), c[0], longText));
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(rec.data())), std::string(511, '7'));
    std::int32_t after = 0;
    std::memcpy(&after, rec.data() + c[1].offset, 4);
    EXPECT_EQ(after, guard);

    // Cut before a multi-byte character that does not fit whole.
    const std::string chinese = std::string(510, 'a') + "中";
    EXPECT_FALSE(CsvBlockFile::storeText(rec.data(), c[0], chinese));
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(rec.data())), std::string(510, 'a'));

    // A shorter text replaces the earlier one completely.
    EXPECT_TRUE(CsvBlockFile::storeText(rec.data(), c[0], "short"));
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(rec.data())), "short");
    EXPECT_EQ(rec[6], 0);

    // Not a text column: refused.
    EXPECT_FALSE(CsvBlockFile::storeText(rec.data(), c[1], "1"));
    std::memcpy(&after, rec.data() + c[1].offset, 4);
    EXPECT_EQ(after, guard);
}

TEST_F(CsvFile, WriterOnAnUnopenableFileWritesNothing)
{
    CsvBlockFile w((dir / "no" / "such" / "folder" / "x.csv").string(), std::ios::app);
    EXPECT_FALSE(w.isOpen());
    std::vector<unsigned char> rec(4, 0);
    EXPECT_FALSE(w.write({rec.data()}, "iA"));
    EXPECT_FALSE(fs::exists(dir / "no"));
}

TEST_F(CsvFile, WriterRefusesAnInvalidDeclarationAndKeepsTheLastValidOne)
{
    const std::string path = (dir / "w.csv").string();
    CsvBlockFile w(path, std::ios::trunc);
    std::vector<unsigned char> rec(4, 0);
    EXPECT_FALSE(w.write({rec.data()}, "Date"));  // nothing known yet
    const std::int32_t v = 5;
    std::memcpy(rec.data(), &v, 4);
    EXPECT_TRUE(w.write({rec.data()}, "iA"));
    EXPECT_TRUE(w.write({rec.data()}, nullptr));
    EXPECT_TRUE(w.write({rec.data()}, "bad"));
    EXPECT_EQ(slurp(path), "iA\n5\n5\n5\n");
}

}  // namespace
