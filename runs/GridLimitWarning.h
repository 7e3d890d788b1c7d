#pragma once

#include "RunBudget.h"

class QString;
class QWidget;
struct PricingRequest;

// The warning the analysis panels give when an axis asks for more than
// kMaxGridPoints points.
void warnTooManyGridPoints(QWidget* parent);

// Shows the refusal (gridMemoryProblem) as a critical box with title and
// returns false when the request's grid does not fit in memory.
bool gridFitsMemory(QWidget* parent, const QString& title, const PricingRequest& request, GridUse use);
