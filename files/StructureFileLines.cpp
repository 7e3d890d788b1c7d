#include "StructureFileLines.h"

namespace {

// CR LF, and any stray CRs before it (a file passed through two CR LF
// conversions ends its lines in CR CR LF).
void dropLineEnd(std::string& line)
{
    while (!line.empty() && line.back() == '\r')
        line.pop_back();
}

bool blank(const std::string& line) { return line.find_first_not_of(" \t") == std::string::npos; }

}  // namespace

StructureFileLines read_structure_lines(std::istream& in, const std::string& name, const std::string& declaration)
{
    StructureFileLines out;
    std::string line;
    if (!std::getline(in, line)) {
        out.problem = name + " is empty";
        return out;
    }
    dropLineEnd(line);
    if (line.compare(0, 3, "\xEF\xBB\xBF") == 0)
        line.erase(0, 3);
    if (line != declaration) {
        out.problem = name + " is not a structure file (its first line is not the record declaration)";
        return out;
    }
    int number = 1;
    while (std::getline(in, line)) {
        ++number;
        dropLineEnd(line);
        if (line == declaration || blank(line) || line[0] == '#')
            continue;
        out.lines.push_back(StructureFileLine{number, line});
    }
    if (in.bad()) {
        out.problem = "cannot read " + name;
        return out;
    }
    if (out.lines.empty()) {
        out.problem = name + " holds no records";
        return out;
    }
    out.ok = true;
    return out;
}
