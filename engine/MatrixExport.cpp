#include "Calculator_PDE.h"

#include <cmath>
#include <cstdio>

bool Calculator_PDE::write_matrix(const NEWMAT::Matrix& grid, const char* path, const char* name,
                                  const TraceHook& trace)
{
    std::FILE* file = path ? std::fopen(path, "a+") : nullptr;
    if (!file) {
        if (trace)
            trace(std::string("Can't open file to write:") + (path ? path : "(null)") + "\n");
        return false;
    }
    std::fprintf(file, "MATRIX:%s\n", name ? name : "");
    const int R = grid.Nrows();
    const int C = grid.Ncols();
    const double* cells = grid.Store();
    for (int r = 0; r < R; ++r) {
        for (int c = 0; c < C; ++c) {
            const double v = cells[static_cast<long>(r) * C + c];
            if (std::isnan(v))
                std::fputs("nan, ", file);
            else
                std::fprintf(file, "%.4f, ", v);
        }
        std::fputs("\n", file);
    }
    // A full disk shows up here, not in fprintf.
    const bool written = !std::ferror(file);
    return std::fclose(file) == 0 && written;
}

bool Calculator_PDE::export_matrices(const char* path) const
{
    // Both blocks are tried, as before, even when the first one fails.
    const bool price = write_matrix(Price, path, "Price", trace_);
    const bool price_ki = write_matrix(Price_KI, path, "Price_KI", trace_);
    return price && price_ki;
}
