// The writer of every user file, on its own: the lock held across the
// read-write-rename, the sync checked before the rename, modes and links
// kept, and nothing left behind by a writer stopped by a signal or killed.
#include "WholeFileWriter.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <string>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

// Readable failure messages for Qt strings (and lists of them).
void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }

// The test program's own rename and fsync stand in for the C library's (the
// writer is linked into it), so that a test can slow the rename down or make
// the sync of a scratch file fail.
namespace {
std::atomic<int> g_renameDelayMs{0};
QString g_failScratchSyncIn;  // a folder whose scratch files fail to sync

// Whether fd is one of the folder's "*.part-*" files (by inode: the scratch
// file may have been opened unnamed and linked later).
bool isScratchIn(int fd, const QString& folder)
{
    struct stat open, named;
    if (folder.isEmpty() || ::fstat(fd, &open) != 0)
        return false;
    for (const QString& name : QDir(folder).entryList({"*.part-*"}, QDir::Files | QDir::Hidden)) {
        if (::stat(QFile::encodeName(folder + "/" + name).constData(), &named) == 0 && named.st_ino == open.st_ino &&
            named.st_dev == open.st_dev)
            return true;
    }
    return false;
}
}  // namespace

extern "C" int rename(const char* from, const char* to)
{
    if (const int ms = g_renameDelayMs.load())
        ::usleep(static_cast<useconds_t>(ms) * 1000);
    return ::renameat(AT_FDCWD, from, AT_FDCWD, to);
}

extern "C" int fsync(int fd)
{
    if (isScratchIn(fd, g_failScratchSyncIn)) {
        errno = EIO;
        return -1;
    }
    return static_cast<int>(::syscall(SYS_fsync, fd));
}

namespace {

QByteArray contentOf(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>");
}

QStringList filesIn(const QTemporaryDir& dir)
{
    return QDir(dir.path()).entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name);
}

mode_t modeOf(const QString& path)
{
    struct stat st;
    return ::stat(QFile::encodeName(path).constData(), &st) == 0 ? st.st_mode & 07777 : 07777;
}

TEST(WholeFileWriter, ConcurrentAppendsWithASlowRenameLoseNothing)
{
    // Eight processes append at once; each rename takes 40 ms, so a lock
    // let go before the rename would let the next writer copy the old file.
    const QTemporaryDir dir;
    const QString target = dir.filePath("book.txt");
    g_renameDelayMs = 40;
    std::vector<pid_t> children;
    for (int i = 0; i < 8; ++i) {
        const pid_t pid = ::fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            const files::WriteStatus s =
                files::writeWhole(target, files::WriteMode::Append, QByteArray("block ") + QByteArray::number(i) + "\n");
            ::_exit(s.ok ? 0 : 1);
        }
        children.push_back(pid);
    }
    g_renameDelayMs = 0;
    for (const pid_t pid : children) {
        int status = 0;
        ASSERT_EQ(::waitpid(pid, &status, 0), pid);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    const QByteArray book = contentOf(target);
    for (int i = 0; i < 8; ++i)
        EXPECT_EQ(book.count(QByteArray("block ") + QByteArray::number(i) + "\n"), 1) << book.toStdString();
    EXPECT_EQ(filesIn(dir), QStringList({"book.txt"}));
}

TEST(WholeFileWriter, AFailedSyncIsReportedAndTheFileLeftAsItWas)
{
    const QTemporaryDir dir;
    const QString target = dir.filePath("table.csv");
    ASSERT_TRUE(files::writeWhole(target, files::WriteMode::Replace, QByteArray("old\n")));
    g_failScratchSyncIn = dir.path();
    const files::WriteStatus s = files::writeWhole(target, files::WriteMode::Replace, QByteArray("new\n"));
    g_failScratchSyncIn.clear();
    EXPECT_FALSE(s.ok);
    EXPECT_TRUE(s.message.contains(QString::fromLocal8Bit(std::strerror(EIO)))) << s.message.toStdString();
    EXPECT_EQ(contentOf(target), "old\n");
    EXPECT_EQ(filesIn(dir), QStringList({"table.csv"}));
}

TEST(WholeFileWriter, ModesAreKeptAndNewFilesFollowTheUmask)
{
    const QTemporaryDir dir;
    const QString kept = dir.filePath("kept.csv");
    ASSERT_TRUE(files::writeWhole(kept, files::WriteMode::Replace, QByteArray("a\n")));
    ASSERT_EQ(::chmod(QFile::encodeName(kept).constData(), 0640), 0);
    for (const files::WriteMode mode : {files::WriteMode::Replace, files::WriteMode::Append}) {
        ASSERT_TRUE(files::writeWhole(kept, mode, QByteArray("b\n")));
        EXPECT_EQ(modeOf(kept), mode_t(0640));
    }
    const mode_t before = ::umask(022);
    const struct { mode_t umask, mode; } fresh[] = {{022, 0644}, {077, 0600}, {002, 0664}};
    for (const auto& f : fresh) {
        ::umask(f.umask);
        const QString path = dir.filePath(QStringLiteral("new%1.csv").arg(f.umask, 0, 8));
        ASSERT_TRUE(files::writeWhole(path, files::WriteMode::Replace, QByteArray("c\n")));
        EXPECT_EQ(modeOf(path), f.mode) << std::oct << f.umask;
    }
    ::umask(before);
}

TEST(WholeFileWriter, ASymbolicLinkIsWrittenThrough)
{
    const QTemporaryDir dir;
    const QString real = dir.filePath("real.csv"), link = dir.filePath("link.csv");
    ASSERT_TRUE(files::writeWhole(real, files::WriteMode::Replace, QByteArray("old\n")));
    ASSERT_TRUE(QFile::link(real, link));
    ASSERT_TRUE(files::writeWhole(link, files::WriteMode::Append, QByteArray("new\n")));
    EXPECT_TRUE(QFileInfo(link).isSymLink());
    EXPECT_EQ(QFileInfo(link).symLinkTarget(), real);
    EXPECT_EQ(contentOf(real), "old\nnew\n");
    EXPECT_EQ(filesIn(dir), QStringList({"link.csv", "real.csv"}));
}

// A writer (a program of its own, with the signals' default actions) that
// has written "partial" to a scratch file for target and waits to be stopped.
pid_t stuckWriter(const QString& target)
{
    int ready[2];
    if (::pipe(ready) != 0)
        return -1;
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::close(ready[0]);
        for (const int sig : {SIGINT, SIGTERM, SIGHUP})
            std::signal(sig, SIG_DFL);
        const std::string fd = std::to_string(ready[1]);
        ::execl(KELVARA_STUCK_WRITER, KELVARA_STUCK_WRITER, QFile::encodeName(target).constData(), fd.c_str(),
                static_cast<char*>(nullptr));
        ::_exit(4);
    }
    ::close(ready[1]);
    char byte = 0;
    const bool started = pid > 0 && ::read(ready[0], &byte, 1) == 1;
    ::close(ready[0]);
    return started ? pid : -1;
}

TEST(WholeFileWriter, AWriterStoppedBySignalLeavesNeitherScratchNorLock)
{
    for (const int sig : {SIGINT, SIGTERM, SIGHUP}) {
        const QTemporaryDir dir;
        const QString target = dir.filePath("grids.txt");
        ASSERT_TRUE(files::writeWhole(target, files::WriteMode::Replace, QByteArray("old\n")));
        const pid_t pid = stuckWriter(target);
        ASSERT_GT(pid, 0);
        EXPECT_EQ(filesIn(dir).size(), 3) << filesIn(dir).join(' ').toStdString();  // target, lock, scratch
        ASSERT_EQ(::kill(pid, sig), 0);
        int status = 0;
        ASSERT_EQ(::waitpid(pid, &status, 0), pid);
        EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == sig) << sig;  // ended by the signal itself
        EXPECT_EQ(filesIn(dir), QStringList({"grids.txt"})) << sig;
        EXPECT_EQ(contentOf(target), "old\n");
    }
}

TEST(WholeFileWriter, TheNextWriterClearsUpAfterAKilledOne)
{
    const QTemporaryDir dir;
    const QString target = dir.filePath("grids.txt");
    ASSERT_TRUE(files::writeWhole(target, files::WriteMode::Replace, QByteArray("old\n")));
    const pid_t pid = stuckWriter(target);
    ASSERT_GT(pid, 0);
    ASSERT_EQ(::kill(pid, SIGKILL), 0);
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    ASSERT_EQ(filesIn(dir).size(), 3) << filesIn(dir).join(' ').toStdString();  // left behind
    // A file that only looks like scratch (its suffix is no scratch name) stays.
    const QString lookalike = dir.filePath("grids.txt.part-backup1");
    ASSERT_TRUE(files::writeWhole(lookalike, files::WriteMode::Replace, QByteArray("mine\n")));

    ASSERT_TRUE(files::writeWhole(target, files::WriteMode::Append, QByteArray("new\n")));
    EXPECT_EQ(contentOf(target), "old\nnew\n");
    EXPECT_EQ(filesIn(dir), QStringList({"grids.txt", "grids.txt.part-backup1"}));
}

}  // namespace
