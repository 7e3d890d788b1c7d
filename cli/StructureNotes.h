#pragma once

#include "CliOutput.h"

#include <string>

struct PreparedStructure;

// Warnings about a structure that prices, but perhaps not as the user thinks.
struct StructureNotes
{
    // Its dates reach a year whose holidays the calendar only estimates.
    bool calendarEstimated = false;
    // Chance that the price touches 价格上限 (S_max) before the maturity, and
    // the lowest ceiling that keeps it at kCeilingReachLimit or below.
    // Only for the design grid (gridCeiling), whose top 价格上限 is.
    bool gridCeiling = true;
    double smaxReachChance = 0;
    double suggestedSmax = 0;

    bool smaxLow() const;
};

StructureNotes structureNotes(const PreparedStructure& structure);

// One "warning: ..." line per note, for the run's warnings (written only when
// the command has succeeded: a failure is one "error: ..." line alone); who
// names the record in a batch ("record 3: "), empty otherwise.
std::string notesText(const StructureNotes& notes, const PreparedStructure& structure, const std::string& who);

// "calendar_estimated" and, on the design grid, the ceiling members of a JSON result.
void addNotes(Json& j, const StructureNotes& notes);
