#include "InputFile.h"

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace files {

namespace {

InputFile refused(const std::string& problem)
{
    InputFile f;
    f.problem = problem;
    return f;
}

std::string cannotRead(const std::string& path, int error) { return "cannot read " + path + ": " + std::strerror(error); }

std::string notRegular(const std::string& path, mode_t mode)
{
    return path + " is not a regular file (" + kindOfFile(mode) + ")";
}

std::string megabytes(std::int64_t bytes)
{
    return bytes > 0 && bytes % (1024 * 1024) == 0 ? std::to_string(bytes / (1024 * 1024)) + " MiB"
                                      : std::to_string(bytes) + " bytes";
}

class Descriptor
{
public:
    explicit Descriptor(int fd) : fd_(fd) {}
    ~Descriptor()
    {
        if (fd_ >= 0)
            ::close(fd_);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int get() const { return fd_; }

private:
    int fd_;
};

}  // namespace

const char* kindOfFile(mode_t mode)
{
    if (S_ISDIR(mode))
        return "a folder";
    if (S_ISCHR(mode) || S_ISBLK(mode))
        return "a device";
    if (S_ISFIFO(mode))
        return "a pipe";
    if (S_ISSOCK(mode))
        return "a socket";
    return "not a plain file";
}

InputFile readInputFile(const std::string& path, std::int64_t limit)
{
    // Looked at before opening: opening some devices already does something.
    struct stat st;
    if (::stat(path.c_str(), &st) != 0)
        return refused(cannotRead(path, errno));
    if (!S_ISREG(st.st_mode))
        return refused(notRegular(path, st.st_mode));
    // Non-blocking, so that a pipe put in its place meanwhile cannot hang the open.
    const Descriptor fd(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    if (fd.get() < 0)
        return refused(cannotRead(path, errno));
    if (::fstat(fd.get(), &st) != 0)
        return refused(cannotRead(path, errno));
    if (!S_ISREG(st.st_mode))
        return refused(notRegular(path, st.st_mode));

    // Read up to one byte past the limit: a file that grows while it is read
    // stops there too.
    InputFile f;
    char buffer[1 << 16];
    while (true) {
        const ssize_t n = ::read(fd.get(), buffer, sizeof buffer);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return refused(cannotRead(path, errno));
        }
        if (n == 0)
            break;
        f.bytes.append(buffer, static_cast<std::size_t>(n));
        if (static_cast<std::int64_t>(f.bytes.size()) > limit)
            return refused(path + " is larger than " + megabytes(limit) +
                           ", the limit for an input file; it was not read further");
    }
    f.ok = true;
    return f;
}

}  // namespace files
