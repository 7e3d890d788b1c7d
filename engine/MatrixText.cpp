#include "MatrixText.h"

#include "Calculator_PDE.h"

#include <cmath>
#include <cstdio>

std::string matrix_block(const NEWMAT::Matrix& grid, const char* name)
{
    std::string out = "MATRIX:";
    out += name ? name : "";
    out += '\n';
    const int R = grid.Nrows();
    const int C = grid.Ncols();
    const double* cells = grid.Store();
    char cell[400];
    for (int r = 0; r < R; ++r) {
        for (int c = 0; c < C; ++c) {
            const double v = cells[static_cast<long>(r) * C + c];
            if (std::isnan(v)) {
                out += "nan, ";
            } else {
                // snprintf, like the fprintf it replaces: the same bytes under any locale.
                const int n = std::snprintf(cell, sizeof cell, "%.4f, ", v);
                out.append(cell, static_cast<std::size_t>(n));
            }
        }
        out += '\n';
    }
    return out;
}

std::string matrices_text(const NEWMAT::Matrix& price, const NEWMAT::Matrix& price_ki)
{
    return matrix_block(price, "Price") + matrix_block(price_ki, "Price_KI");
}

std::string matrices_text(const Calculator_PDE& engine)
{
    return matrices_text(engine.Price, engine.Price_KI);
}
