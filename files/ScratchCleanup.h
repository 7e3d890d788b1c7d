#pragma once

// Removes the scratch file of the write in progress when the process is
// stopped by SIGINT, SIGTERM or SIGHUP (then ends by that signal as it would
// have), so an interrupted export leaves nothing behind. Handlers are only
// installed for signals that still have their default action.
namespace files {

// The scratch file being written (empty: none). At most one at a time per
// process: the writers are serialised by the caller.
void setScratchPath(const char* path);
void clearScratchPath();

}  // namespace files
