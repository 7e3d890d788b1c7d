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

// One "warning: ..." line per note, kept until the command has succeeded
// (a failure is one "error: ..." line alone); who names the record in a batch
// ("record 3: "), empty otherwise.
void warnAbout(const StructureNotes& notes, const PreparedStructure& structure, const std::string& who = {});

// Warning lines main writes to standard error when the command succeeds
// (or partly succeeds); takeWarnings hands them over and forgets them.
void addWarnings(const std::string& lines);
std::string takeWarnings();

// The same lines as one text.
std::string notesText(const StructureNotes& notes, const PreparedStructure& structure, const std::string& who);

// "calendar_estimated" and, on the design grid, the ceiling members of a JSON result.
void addNotes(Json& j, const StructureNotes& notes);
