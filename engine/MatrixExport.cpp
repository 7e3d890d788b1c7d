#include "Calculator_PDE.h"
#include "MatrixText.h"

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
    const std::string block = matrix_block(grid, name);
    std::fwrite(block.data(), 1, block.size(), file);
    // A full disk shows up here, not in fwrite.
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
