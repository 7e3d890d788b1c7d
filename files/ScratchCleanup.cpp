#include "ScratchCleanup.h"

#include <csignal>
#include <cstring>
#include <mutex>

#include <unistd.h>

namespace files {

namespace {

// Read by the signal handler: fixed buffers, written before their flag is set.
struct Remembered
{
    char path[4096];
    volatile std::sig_atomic_t active = 0;

    void set(const char* p)
    {
        active = 0;
        const std::size_t n = std::strlen(p);
        if (n >= sizeof path)
            return;  // too long to remember: a normal exit still removes it
        std::memcpy(path, p, n + 1);
        active = 1;
    }
};

Remembered g_scratch, g_lock;
std::once_flag g_installed;

extern "C" void removeScratchAndDie(int sig)
{
    if (g_scratch.active)
        ::unlink(g_scratch.path);
    if (g_lock.active)
        ::unlink(g_lock.path);
    std::signal(sig, SIG_DFL);
    std::raise(sig);
}

void installHandlers()
{
    for (const int sig : {SIGINT, SIGTERM, SIGHUP}) {
        struct sigaction old = {};
        if (::sigaction(sig, nullptr, &old) == 0 && old.sa_handler == SIG_DFL) {
            struct sigaction act = {};
            act.sa_handler = removeScratchAndDie;
            sigemptyset(&act.sa_mask);
            ::sigaction(sig, &act, nullptr);
        }
    }
}

}  // namespace

void setLockPath(const char* path)
{
    std::call_once(g_installed, installHandlers);
    g_lock.set(path);
}

void clearLockPath() { g_lock.active = 0; }

void setScratchPath(const char* path)
{
    std::call_once(g_installed, installHandlers);
    g_scratch.set(path);
}

void clearScratchPath() { g_scratch.active = 0; }

}  // namespace files
