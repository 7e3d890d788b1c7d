// libFuzzer target for the calendar loader: any bytes as a calendar file. A
// file it accepts must hold real dates in strictly ascending order.
#include "CalendarFile.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <sstream>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::istringstream in(std::string(reinterpret_cast<const char*>(data), size));
    CalendarFileContent content;
    const CalendarLoadResult r = read_calendar(in, "fuzz.csv", content);
    if (r.ok()) {
        for (std::size_t i = 0; i < content.dates.size(); ++i) {
            if (!is_real_date(content.dates[i]) || (i > 0 && content.dates[i] <= content.dates[i - 1]))
                std::abort();
        }
    } else if (r.message.empty()) {
        std::abort();
    }
    return 0;
}
