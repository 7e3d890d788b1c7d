#pragma once

// Removes the scratch file of the write in progress, and the lock file the
// writer holds, when the process is stopped by SIGINT, SIGTERM or SIGHUP
// (then ends by that signal as it would have), so an interrupted export
// leaves nothing behind. Handlers are only installed for signals that still
// have their default action. (A writer killed outright leaves both; the next
// writer of the file takes the stale lock over and removes the scratch files.)
namespace files {

// The lock file held and the scratch file being written (empty: none). At
// most one of each at a time per process: the writers are serialised by the
// caller. The lock is set once it is held, and cleared before it is released,
// so that the handler never removes another writer's lock.
void setLockPath(const char* path);
void clearLockPath();
void setScratchPath(const char* path);
void clearScratchPath();

}  // namespace files
