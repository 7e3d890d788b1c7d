// The writer of every user file, on its own: nothing left behind by a
// writer stopped by a signal or killed.
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
