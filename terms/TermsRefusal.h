#pragma once

#include "StructureTerms.h"

#include <QString>

// Why the engine would refuse these terms, in the words of the window's
// fields ("价格上限应大于标的价格"), or an empty text when it would take
// them. Mirrors the solver's acceptance rules, so that a refusal reaches the
// user with its reason instead of as a NaN.
QString termsRefusal(const StructureTerms& terms, int yearDays);
