// A file the user names is read only when it is a regular file, and no
// further than the limit: folders, devices and pipes are named for what they
// are instead of being read as empty, forever, or not at all.
#include "InputFile.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace {

bool contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

TEST(InputFile, OnlyARegularFileWithinTheLimitIsRead)
{
    const QTemporaryDir dir;
    const std::string folder = dir.path().toStdString(), fifo = folder + "/pipe", file = folder + "/ten.txt";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    QFile f(QString::fromStdString(file));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly) && f.write("0123456789") == 10);
    f.close();

    const files::InputFile ten = files::readInputFile(file, 10);
    EXPECT_TRUE(ten.ok) << ten.problem;
    EXPECT_EQ(ten.bytes, "0123456789");

    const struct
    {
        std::string path;
        std::int64_t limit;
        std::string says;
    } refused[] = {
        {folder, 100, folder + " is not a regular file (a folder)"},
        {"/dev/zero", 100, "/dev/zero is not a regular file (a device)"},
        {fifo, 100, fifo + " is not a regular file (a pipe)"},  // no writer: it would block
        {folder + "/missing.csv", 100, "cannot read " + folder + "/missing.csv: No such file or directory"},
        {file, 9, file + " is larger than 9 bytes, the limit for an input file"},
        {file, 0, "larger than 0 bytes"},
    };
    for (const auto& r : refused) {
        const files::InputFile got = files::readInputFile(r.path, r.limit);
        EXPECT_FALSE(got.ok) << r.path;
        EXPECT_TRUE(got.bytes.empty()) << r.path;
        EXPECT_TRUE(contains(got.problem, r.says)) << got.problem;
    }
}

}  // namespace
