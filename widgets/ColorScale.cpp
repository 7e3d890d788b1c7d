#include "ColorScale.h"

#include <algorithm>

QString levelColorName(int level)
{
    static const char* const names[] = {
        "darkgreen", "green", "forestgreen", "limegreen", "lime", "lawngreen",
        "greenyellow", "palegreen", "white", "tomato", "orangered", "red",
        "crimson", "firebrick", "brown", "darkred", "maroon"};
    // Clamp before shifting so that extreme levels cannot overflow.
    const int index = std::clamp(level, -8, 8) + 8;
    return QString::fromLatin1(names[index]);
}
