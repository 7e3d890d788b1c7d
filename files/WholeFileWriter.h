#pragma once

#include <QByteArray>
#include <QString>

#include <functional>

class QIODevice;

// Writes a file the user asked for so that it is either complete or left as
// it was: the new content goes to a scratch file beside the target, which is
// renamed over it only after every write, flush and sync has succeeded. The
// whole read-write-rename runs under an advisory lock file ("<target>.lock"),
// so concurrent writers (other processes, other windows) never lose each
// other's records. Targets that are not regular files (devices, pipes,
// folders) are refused rather than replaced.
namespace files {

enum class WriteMode {
    Replace,  // the target becomes the new content
    Append,   // the old content is copied in front, in chunks
};

struct WriteStatus
{
    bool ok = true;
    QString message;  // what went wrong, with the system's reason; empty on success
    bool opened = false;  // the scratch file was made: the failure came while writing

    explicit operator bool() const { return ok; }
};

// Writes the new content into out; false when it could not (the producer
// may leave a reason in message).
using Producer = std::function<bool(QIODevice& out, QString& message)>;

WriteStatus writeWhole(const QString& path, WriteMode mode, const Producer& produce);
WriteStatus writeWhole(const QString& path, WriteMode mode, const QByteArray& content);

// Empty when path may be written (missing, or a regular file); otherwise why
// not, e.g. "/dev/null is not a regular file (a device)".
QString targetProblem(const QString& path);

// How long a writer waits for another one to finish (milliseconds).
constexpr int kLockWaitMs = 60000;

}  // namespace files
