#include "WholeFileWriter.h"

#include "InputFile.h"
#include "ScratchCleanup.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QTemporaryFile>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <thread>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace files {

namespace {

constexpr qint64 kChunk = 1 << 16;

QString systemReason(int error) { return QString::fromLocal8Bit(std::strerror(error)); }

WriteStatus failed(const QString& message, bool opened = false)
{
    WriteStatus s;
    s.ok = false;
    s.message = message;
    s.opened = opened;
    return s;
}

// Qt's text of the device's last error, or the system's when Qt has none
// (a failed flush may leave "Unknown error").
QString deviceReason(const QFileDevice& device, int savedErrno)
{
    const QString text = device.errorString();
    if (savedErrno != 0 && (text.isEmpty() || text == QLatin1String("Unknown error")))
        return systemReason(savedErrno);
    return text;
}

// Why the lock file cannot be made: QLockFile says only "permission error".
QString lockProblem(const QString& lockPath)
{
    const QByteArray name = QFile::encodeName(lockPath);
    const int fd = ::open(name.constData(), O_WRONLY | O_CREAT, 0666);
    if (fd < 0)
        return systemReason(errno);
    ::close(fd);
    return QStringLiteral("permission denied");
}

// QLockFile::tryLock(timeout) sleeps ever longer between its attempts (up to
// 5 s), so that a writer behind a few others waits seconds for a lock that
// was free after milliseconds; these attempts are 10 ms apart.
bool lockWithin(QLockFile& lock, int ms)
{
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (!lock.tryLock(0)) {
        if (lock.error() != QLockFile::LockFailedError || std::chrono::steady_clock::now() >= until)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return true;
}

constexpr QLatin1String kScratchSuffix(".part-");

// Scratch files of writers killed before their rename: once this writer
// holds the target's lock, no live writer of the target has one.
void removeOrphanedScratch(const QString& target)
{
    const QFileInfo info(target);
    const QDir folder = info.absoluteDir();
    const QString prefix = info.fileName() + kScratchSuffix;
    for (const QString& name : folder.entryList(QDir::Files | QDir::Hidden | QDir::System | QDir::NoSymLinks)) {
        if (name.size() != prefix.size() + 6 || !name.startsWith(prefix))
            continue;
        const QStringRef random = name.midRef(prefix.size());
        if (std::all_of(random.begin(), random.end(), [](QChar c) { return c.isLetterOrNumber() && c.unicode() < 128; }))
            QFile::remove(folder.filePath(name));
    }
}

void useDefaultPermissions(QTemporaryFile& scratch, const QString& target)
{
    if (QFileInfo::exists(target)) {
        scratch.setPermissions(QFile::permissions(target));
        return;
    }
    const mode_t mask = ::umask(0);
    ::umask(mask);
    ::fchmod(scratch.handle(), 0666 & ~mask);
}

bool copyOld(const QString& target, QTemporaryFile& scratch, QString& message)
{
    if (!QFileInfo::exists(target))
        return true;
    QFile old(target);
    if (!old.open(QIODevice::ReadOnly)) {
        message = QStringLiteral("cannot read %1 to append to it: %2").arg(target, old.errorString());
        return false;
    }
    QByteArray chunk;
    while (true) {
        chunk = old.read(kChunk);
        if (chunk.isEmpty()) {
            if (old.error() != QFileDevice::NoError) {
                message = QStringLiteral("cannot read %1 to append to it: %2").arg(target, old.errorString());
                return false;
            }
            return true;
        }
        errno = 0;
        if (scratch.write(chunk) != chunk.size()) {
            message = deviceReason(scratch, errno);
            return false;
        }
    }
}

}  // namespace

QString targetProblem(const QString& path)
{
    if (path.isEmpty())
        return QStringLiteral("no file name");
    struct stat st;
    const QByteArray name = QFile::encodeName(path);
    if (::stat(name.constData(), &st) != 0)
        return QString();  // missing: created; a missing folder shows up when writing
    if (S_ISREG(st.st_mode))
        return QString();
    return QStringLiteral("%1 is not a regular file (%2)").arg(path, QLatin1String(kindOfFile(st.st_mode)));
}

WriteStatus writeWhole(const QString& path, WriteMode mode, const Producer& produce)
{
    QString problem = targetProblem(path);
    if (!problem.isEmpty())
        return failed(problem);
    // A link is followed, so that the file it names is written, not replaced by a copy.
    const QFileInfo info(path);
    const QString target = info.isSymLink() ? info.canonicalFilePath() : info.absoluteFilePath();
    const QString folder = QFileInfo(target).absolutePath();
    if (!QFileInfo(folder).isDir())
        return failed(QStringLiteral("cannot write %1: the folder %2 does not exist").arg(path, folder));

    const QString lockPath = target + QStringLiteral(".lock");
    // A lock left behind (its writer killed) may have scratch files beside it.
    const bool lockWasThere = QFileInfo::exists(lockPath);
    QLockFile lock(lockPath);
    lock.setStaleLockTime(0);  // only a dead writer's lock is stale, however long a live one takes
    if (!lockWithin(lock, kLockWaitMs)) {
        if (lock.error() == QLockFile::LockFailedError)
            return failed(QStringLiteral("cannot write %1: another writer has held %1.lock for %2 s")
                              .arg(path)
                              .arg(kLockWaitMs / 1000));
        return failed(QStringLiteral("cannot write %1: cannot create the lock file %1.lock: %2")
                          .arg(path, lockProblem(target + QStringLiteral(".lock"))));
    }
    // Forgotten before the lock is released (it is declared after it).
    const QByteArray lockName = QFile::encodeName(lockPath);
    setLockPath(lockName.constData());
    struct Forget
    {
        ~Forget()
        {
            clearScratchPath();
            clearLockPath();
        }
    } forget;
    if (lockWasThere)
        removeOrphanedScratch(target);

    // Checked again under the lock: another writer may have changed it.
    problem = targetProblem(target);
    if (!problem.isEmpty())
        return failed(problem);

    QTemporaryFile scratch(target + kScratchSuffix + QStringLiteral("XXXXXX"));
    if (!scratch.open())
        return failed(QStringLiteral("cannot write %1: %2").arg(path, scratch.errorString()));
    const QByteArray scratchName = QFile::encodeName(scratch.fileName());
    setScratchPath(scratchName.constData());
    useDefaultPermissions(scratch, target);

    QString message;
    if (mode == WriteMode::Append && !copyOld(target, scratch, message))
        return failed(message.startsWith(QLatin1String("cannot")) ? message
                                                                  : QStringLiteral("cannot write %1: %2").arg(path, message),
                      true);
    errno = 0;
    if (!produce(scratch, message)) {
        if (message.isEmpty())
            message = deviceReason(scratch, errno);
        return failed(QStringLiteral("cannot write %1: %2").arg(path, message), true);
    }
    errno = 0;
    if (!scratch.flush())
        return failed(QStringLiteral("cannot write %1: %2").arg(path, deviceReason(scratch, errno)), true);
    if (::fsync(scratch.handle()) != 0)
        return failed(QStringLiteral("cannot write %1: %2").arg(path, systemReason(errno)), true);
    const QByteArray targetName = QFile::encodeName(target);
    if (std::rename(scratchName.constData(), targetName.constData()) != 0)
        return failed(QStringLiteral("cannot write %1: %2").arg(path, systemReason(errno)), true);
    scratch.setAutoRemove(false);  // its name now belongs to the target
    return WriteStatus();
}

WriteStatus writeWhole(const QString& path, WriteMode mode, const QByteArray& content)
{
    return writeWhole(path, mode, [&content](QIODevice& out, QString&) {
        return out.write(content) == content.size();
    });
}

}  // namespace files
