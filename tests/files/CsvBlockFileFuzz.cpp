// libFuzzer target for the typed CSV reader: any bytes as a file, read with
// the file's own declaration and with a given one, then every value of every
// record read back and written out again.
#include "CsvBlockFile.h"

#include <cstddef>
#include <cstdint>
#include <sstream>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0)
        return 0;
    // The first byte chooses the options; the rest is the file.
    const std::uint8_t options = data[0];
    const std::string text(reinterpret_cast<const char*>(data + 1), size - 1);
    for (const bool given : {false, true}) {
        std::istringstream in(text);
        CsvBlockFile f(!given && (options & 1) ? ';' : ',', given || (options & 2) != 0);
        f.read(in, given ? "iN,lL,fF,dD,cC,0Z,3T,9O" : nullptr, (options & (given ? 8 : 4)) != 0);
        // Unsigned sums: the values may be anywhere in their range.
        volatile std::uint64_t sink = 0;
        std::vector<const void*> records;
        for (std::size_t r = 0; r < f.recordCount(); ++r) {
            records.push_back(f.record(r));
            for (std::size_t c = 0; c < f.columns().size(); ++c) {
                const double d = f.doubleAt(r, c);
                sink = sink + static_cast<std::uint32_t>(f.intAt(r, c)) + static_cast<std::uint64_t>(f.int64At(r, c)) +
                       static_cast<unsigned char>(f.charAt(r, c)) + f.textAt(r, c).size() + (d == d ? 1u : 0u);
            }
        }
        if (!records.empty())
            CsvBlockFile("/dev/null", std::ios::app).write(records, f.header().c_str());
    }
    return 0;
}
