#pragma once

#include <vector>

// A price grid from 0 to a top price whose nodes crowd around a few prices
// (barriers, the spot) by sinh stretching, with chosen prices ("anchors")
// falling exactly on nodes. Level L has base_cells * 2^L cells and holds every
// node of level L-1, so two levels differ only by the step size: what
// Richardson extrapolation needs.
class StretchedGrid
{
public:
    struct Centre
    {
        double price;   // where the nodes crowd
        double width;   // over how wide a price range (the sinh scale)
        double weight;  // node density there relative to the far field, minus 1
    };

    // Node density falls like scale / (scale + S) away from the centres.
    // Fails (empty() true) when top or scale is not above 0 or base_cells < 2.
    StretchedGrid(double top, double scale, std::vector<Centre> centres, const std::vector<double>& anchors,
                  int base_cells);

    bool empty() const { return anchor_u_.empty(); }
    // Nodes of one level, ascending, first 0 and last the top.
    std::vector<double> nodes(int level) const;
    int cells(int level) const { return base_cells_ << level; }
    // Anchors that got a node of their own (an anchor closer to another than
    // a cell of the base level shares its node's place with it and is left out).
    const std::vector<double>& anchored() const { return anchored_; }

private:
    double stretch(double S) const;          // 0 at 0, 1 at the top, increasing
    double stretch_inverse(double xi) const;

    double top_;
    double scale_;
    std::vector<Centre> centres_;
    double total_ = 1.0;
    int base_cells_;
    // Piecewise-linear map from the uniform coordinate u = i / cells to the
    // stretched coordinate, through (i_a / base_cells, stretch(anchor)).
    std::vector<double> anchor_u_, anchor_xi_;
    std::vector<double> anchored_;
};

// Weight, per node, of the part of its cell at or below (below = true) or at
// or above a price B: 1 or 0 away from B, the covered fraction in the cell
// holding B. Cells run half-way to the neighbouring nodes. A discontinuity
// applied with these weights converges smoothly as the grid is refined, where
// a pointwise one gives errors that jump with B's position between nodes.
std::vector<double> cell_weights(const std::vector<double>& nodes, double B, bool below);
