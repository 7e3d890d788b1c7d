#include "ScratchCleanup.h"

#include <csignal>
#include <cstring>
#include <mutex>

#include <unistd.h>

namespace files {

namespace {

// Read by the signal handler: a fixed buffer, written before the flag is set.
char g_path[4096];
volatile std::sig_atomic_t g_active = 0;
std::once_flag g_installed;

extern "C" void removeScratchAndDie(int sig)
{
    if (g_active)
        ::unlink(g_path);
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

void setScratchPath(const char* path)
{
    std::call_once(g_installed, installHandlers);
    g_active = 0;
    const std::size_t n = std::strlen(path);
    if (n >= sizeof g_path)
        return;  // too long to remember: the destructor still removes it on a normal exit
    std::memcpy(g_path, path, n + 1);
    g_active = 1;
}

void clearScratchPath() { g_active = 0; }

}  // namespace files
