#pragma once

#include <istream>
#include <string>
#include <vector>

// The data lines of a structure file as the window's save writes it: the
// record declaration opens the file and is repeated before each record;
// comments ("#") and blank lines are skipped. A UTF-8 byte order mark (left
// by editors) and CR LF line ends (the file as written on Windows) are
// accepted. Plain C++, so that the fuzzer runs it alone.

struct StructureFileLine
{
    int lineNumber = 0;  // 1-based, as an editor shows it
    std::string text;    // without its line end
};

struct StructureFileLines
{
    bool ok = false;
    std::string problem;  // why the file is refused, naming it
    std::vector<StructureFileLine> lines;
};

// name is used in the messages; declaration is the record declaration the
// file must start with.
StructureFileLines read_structure_lines(std::istream& in, const std::string& name, const std::string& declaration);
