#pragma once

#include <memory>
#include <string>
#include <vector>

class Calendar;

// What one run of a command line keeps to itself, so that runs on several
// threads at once (the Python module prices from many) never see each
// other's: where the shipped trading calendar lies, the calendar the run
// chose, the warnings and the failed items it reports besides its output,
// and whether it may draw a progress bar.
struct RunContext
{
    std::string shippedCalendar;  // the copy shipped with the program (or the package)
    bool progressBar = false;     // kelvara-cli only, and only on a terminal

    // "warning: ..." lines, written only when the command (partly) succeeds.
    std::string warnings;
    // One message per failed item (a batch record), in order; the run's own
    // error follows them.
    std::vector<std::string> errors;

    // The trading calendar, chosen and loaded at its first use in the run.
    std::shared_ptr<const Calendar> calendar;
};
