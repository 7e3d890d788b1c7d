// libFuzzer target for the structure-file reader behind `batch`: any bytes as
// a structure file, every data line then read as a record as batch reads it.
#include "CsvBlockFile.h"
#include "StructureFileLines.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <sstream>
#include <string>

namespace {

const char* const kDeclaration =
    "iNO,lEnquiryID,5ProductName,3Category,3Type,4Underlier,dNotional,dOpenPrice,dKnockOut,dKnockIn,"
    "dCouponOut,dCouponDiv,dBottom,dDeltaCeiling,dCallStrike,dPartRate,iMaturity,iDateBegin,iDateEnd,"
    "dVolatility,9Observe";

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::istringstream in(std::string(reinterpret_cast<const char*>(data), size));
    const StructureFileLines file = read_structure_lines(in, "fuzz.csv", kDeclaration);
    if (file.ok == file.lines.empty() || file.ok != file.problem.empty())
        std::abort();
    for (const StructureFileLine& line : file.lines) {
        if (line.text.empty() || line.text.back() == '\r' || line.lineNumber < 2)
            std::abort();
        CsvBlockFile csv;
        std::istringstream record(std::string(kDeclaration) + "\n" + line.text + "\n");
        if (csv.read(record, kDeclaration, true) && csv.recordCount() == 1) {
            volatile double sink = csv.doubleAt(0, 7) + csv.intAt(0, 17) + csv.textAt(0, 20).size();
            (void)sink;
        }
    }
    return 0;
}
