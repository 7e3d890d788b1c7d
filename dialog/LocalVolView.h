#pragma once

#include "PlotColorMap.h"

class LocalVolatility;

// A local volatility sigma(S, t) as a colour map: price across, time up,
// volatility in percent on the colour bar.
class LocalVolView : public PlotColorMap
{
public:
    LocalVolView();

    // Samples lv at the centres of a grid of cells over prices [lo, hi] and
    // times (0, T]; where it is not defined the cell stays empty.
    void show(const LocalVolatility& lv, double lo, double hi, double T);
};
