#include "Calculator_PDE.h"
#include "MatrixText.h"

#include <cstdio>

bool Calculator_PDE::write_matrix(const NEWMAT::Matrix& grid, const char* path, const char* name)
{
    std::FILE* file = path ? std::fopen(path, "a+") : nullptr;
    if (!file) {
        std::printf("Can't open file to write:%s\n", path ? path : "(null)");
        return false;
    }
    const std::string block = matrix_block(grid, name);
    std::fwrite(block.data(), 1, block.size(), file);
    // A full disk shows up here, not in fwrite.
    const bool written = !std::ferror(file);
    return std::fclose(file) == 0 && written;
}

void Calculator_PDE::export_matrices(const char* path)
{
    write_matrix(Price, path, "Price");
    if (has_ki_grid)
        write_matrix(Price_KI, path, "Price_KI");
}
