// Files written whole or not at all, what is not a regular file, and the
// warnings of kelvara-cli.
#include "CliRun.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace {

const QStringList kSmall{"--M", "10", "--N", "12", "--today", "20240115"};

}  // namespace

TEST(CliFullDisk, AWriteThatDoesNotFitLeavesTheOldFileAndSaysWhy)
{
    // A 64 KiB tmpfs of its own (needs root and mount namespaces; CI runs as root).
    const QTemporaryDir dir;
    const QString mount = dir.filePath("small");
    ASSERT_TRUE(QDir().mkpath(mount));
    const QString script = QString(
        "mount -t tmpfs -o size=64k tmpfs '%1' || exit 77; cd '%1'; printf 'kept\\n' > grids.txt; "
        "'%2' grid --out grids.txt --M 200 --N 300 --today 20240115 2>err.txt; echo \"status $?\"; cat err.txt; "
        "cat grids.txt; ls -a").arg(mount, QStringLiteral(KELVARA_CLI));
    QProcess p;
    p.start("unshare", {"-m", "sh", "-c", script});
    ASSERT_TRUE(p.waitForFinished(120000));
    if (p.exitCode() == 77 || p.exitStatus() != QProcess::NormalExit ||
        p.readAllStandardError().contains("unshare"))
        GTEST_SKIP() << "no private mounts here";
    const std::string out = p.readAllStandardOutput().toStdString();
    EXPECT_TRUE(contains(out, "status 2")) << out;
    EXPECT_TRUE(contains(out, "No space left on device")) << out;
    EXPECT_FALSE(contains(out, "Unknown error")) << out;
    EXPECT_TRUE(contains(out, "\nkept\n")) << out;  // the old content, unchanged
    EXPECT_FALSE(contains(out, "MATRIX")) << out;
    EXPECT_FALSE(contains(out, ".part-")) << out;  // no scratch file left
}

TEST(CliTargets, DevicesAndPipesAreRefusedAndLeftAsTheyWere)
{
    const QTemporaryDir dir;
    const QString fifo = dir.filePath("pipe");
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    const std::pair<QStringList, std::string> cases[] = {
        {QStringList{"stress", "--out", fifo}, "(a pipe)"},
        {QStringList{"grid", "--out", fifo}, "(a pipe)"},
        {QStringList{"grid", "--out", dir.path()}, "(a folder)"},
        {QStringList{"grid", "--out", "/dev/full"}, "(a device)"},  // refused before writing
    };
    for (const auto& [args, kind] : cases) {
        const CliResult r = runCli(args + kSmall);
        EXPECT_EQ(r.status, 2) << args.join(' ').toStdString();
        EXPECT_TRUE(r.oneErrorLine()) << r.err;
        EXPECT_TRUE(contains(r.err, "is not a regular file " + kind)) << r.err;
    }
    struct stat st;
    ASSERT_EQ(::stat(QFile::encodeName(fifo).constData(), &st), 0);
    EXPECT_TRUE(S_ISFIFO(st.st_mode));
    ASSERT_EQ(::stat("/dev/full", &st), 0);
    EXPECT_TRUE(S_ISCHR(st.st_mode));
}

TEST(CliInputFiles, OnlyRegularFilesWithinTheLimitAreRead)
{
    // A pipe nobody writes to and a file over the limit, as the structure file
    // and as the calendar: refused at once (the other kinds: the reader's own test).
    const QTemporaryDir dir;
    const QString fifo = dir.filePath("pipe"), big = dir.filePath("big.csv");
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    QFile sparse(big);
    ASSERT_TRUE(sparse.open(QIODevice::WriteOnly) && sparse.resize(65 * 1024 * 1024));
    sparse.close();
    const std::pair<QString, std::string> inputs[] = {
        {fifo, "is not a regular file (a pipe)"},
        {big, "is larger than 64 MiB, the limit for an input file"},
    };
    for (const auto& [path, says] : inputs) {
        for (const QStringList& args : {QStringList{"batch", path}, QStringList{"schedule", "--calendar", path}}) {
            const CliResult r = runCli(args + QStringList{"--today", "20240115"});
            EXPECT_EQ(r.status, 2) << args.join(' ').toStdString();
            EXPECT_TRUE(r.oneErrorLine()) << r.err;
            EXPECT_TRUE(contains(r.err, args[0] == "batch" ? "batch: " : "--calendar: ")) << r.err;
            EXPECT_TRUE(contains(r.err, path.toStdString() + " " + says)) << r.err;
        }
    }
}

TEST(CliCalendarFile, AMalformedCalendarIsRefusedWithTheLoadersReason)
{
    // Each reason is the loader's (checked there); here it reaches the user as one line.
    const CliResult r =
        runCli({"schedule", "--calendar", QStringLiteral(KELVARA_TEST_DATA_DIR) + "/calendar_repeated_date.csv"});
    EXPECT_EQ(r.status, 2);
    EXPECT_TRUE(r.oneErrorLine()) << r.err;
    EXPECT_TRUE(contains(r.err, "line 4: 20240103 repeats line 3")) << r.err;
}

TEST(CliCalendarFile, DatesInAnEstimatedYearAreFlagged)
{
    const CliResult estimated = runCli({"price", "--json", "--start", "20270115", "--expiry", "20280115"});
    ASSERT_EQ(estimated.status, 0) << estimated.err;
    EXPECT_EQ(estimated.json()["calendar_estimated"], true);
    EXPECT_TRUE(contains(estimated.err, "warning: the dates reach a year whose holidays")) << estimated.err;
    const CliResult published = runCli({"price", "--json", "--start", "20240115", "--expiry", "20250115"});
    ASSERT_EQ(published.status, 0) << published.err;
    EXPECT_EQ(published.json()["calendar_estimated"], false);
    EXPECT_TRUE(published.err.empty()) << published.err;
}

TEST(CliStructureFile, ByteOrderMarkAndCrLfAreRead)
{
    const QTemporaryDir dir;
    const QByteArray header =
        "iNO,lEnquiryID,5ProductName,3Category,3Type,4Underlier,dNotional,dOpenPrice,dKnockOut,dKnockIn,"
        "dCouponOut,dCouponDiv,dBottom,dDeltaCeiling,dCallStrike,dPartRate,iMaturity,iDateBegin,iDateEnd,"
        "dVolatility,9Observe";
    const QByteArray dates = "20240415_20240515_20240715_20241015_20250115";
    QByteArray plain;
    for (int i = 1; i <= 8; ++i)
        plain += header + "\n" +
                 QString::asprintf("%d,%d,,,AC,510050,1000000,100,%d,80,16,16,0,0,0,0,0,20240115,20250115,%d,", i,
                                   1000 + i, 100 + i, 10 + 3 * i)
                     .toLatin1() +
                 dates + "\n";
    QByteArray windows = "\xEF\xBB\xBF" + plain;
    windows.replace("\n", "\r\n");
    ASSERT_TRUE(writeFile(dir.filePath("plain.csv"), plain));
    ASSERT_TRUE(writeFile(dir.filePath("windows.csv"), windows));
    const CliResult one = runCli({"batch", dir.filePath("plain.csv"), "--jobs", "1"});
    ASSERT_EQ(one.status, 0) << one.err;
    EXPECT_EQ(one.out.substr(0, 19), "NO,EnquiryID,price\n");
    // Several jobs give the same lines in the same (input) order.
    for (const char* jobs : {"2", "3", "8"}) {
        const CliResult r = runCli({"batch", dir.filePath("windows.csv"), "--jobs", jobs});
        ASSERT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(r.out, one.out) << "--jobs " << jobs;
    }
}

TEST(CliPriceCeiling, ALowCeilingIsWarnedAboutWithASaferOne)
{
    const CliResult high = runCli({"price", "--json", "--vol", "300", "--today", "20240115"});
    ASSERT_EQ(high.status, 0) << high.err;
    const nlohmann::json j = high.json();
    EXPECT_EQ(j["smax_low"], true);
    EXPECT_GT(j["smax_reach_chance"].get<double>(), 0.3);
    const double safer = j["smax_suggested"].get<double>();
    EXPECT_GT(safer, 200.0);
    EXPECT_TRUE(contains(high.err, "价格上限")) << high.err;
    // The suggested ceiling is no longer low.
    const CliResult fixed = runCli({"price", "--json", "--vol", "300", "--today", "20240115", "--smax",
                                    QString::number(safer), "--M", "4000"});
    ASSERT_EQ(fixed.status, 0) << fixed.err;
    EXPECT_EQ(fixed.json()["smax_low"], false);
    EXPECT_FALSE(fixed.json().contains("smax_suggested"));
    EXPECT_LT(fixed.json()["price"].get<double>(), 0.8 * j["price"].get<double>());
}
