#pragma once

#include <QString>

// A result in fixed notation for display: "-" for a value that is no finite
// number (never "nan"), and no minus sign on a value that rounds to zero
// ("-0.000" is shown as "0.000").
QString fixedText(double value, int digits);
