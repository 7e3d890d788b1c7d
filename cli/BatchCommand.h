#pragma once

#include "Commands.h"

// batch FILE: every record of a structure file (the window's typed CSV save)
// priced with the market options, one CSV line (or JSON object) per record.
// Records that fail are reported on stderr by number; the others are still
// written, and the exit status is then 1.
CommandRun addBatchCommand(CLI::App& app);
