#pragma once

class QWidget;

// The warning both analysis panels give when an axis asks for more than
// kMaxGridPoints points.
void warnTooManyGridPoints(QWidget* parent);
