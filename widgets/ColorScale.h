#pragma once

#include <QString>

// Background colour of a heat-map cell: "white" at level 0, greens below
// (down to "darkgreen" at -8 and beyond), reds above (up to "maroon" at +8).
QString levelColorName(int level);
