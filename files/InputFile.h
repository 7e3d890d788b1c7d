#pragma once

#include <cstdint>
#include <string>

#include <sys/types.h>

// Reading a file the user named, as a script may name anything: a folder,
// a device that never ends (/dev/zero), a pipe that blocks until someone
// writes. Only a regular file is read, and no further than a size limit, so
// that a wrong name ends in a message instead of a read that never ends.
// Plain C++ and POSIX, so that the calendar's fuzzer builds it alone.
namespace files {

// Far above any structure file or calendar a person keeps.
constexpr std::int64_t kMaxInputBytes = 64 * 1024 * 1024;

struct InputFile
{
    bool ok = false;
    std::string bytes;    // the whole file, when ok
    std::string problem;  // why not, naming the file; empty when ok
};

InputFile readInputFile(const std::string& path, std::int64_t limit = kMaxInputBytes);

// What a file that is not a regular one is, for messages: "a folder",
// "a device", "a pipe", "a socket".
const char* kindOfFile(mode_t mode);

}  // namespace files
