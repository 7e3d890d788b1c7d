#include "ValueGrids.h"

#include <algorithm>

ValueGrids::ValueGrids(int M, int N, bool keep_all_columns)
    : rows_(static_cast<std::size_t>(M) + 1),
      columns_(static_cast<std::size_t>(N) + 1),
      keep_all_(keep_all_columns),
      nki_(rows_ * (keep_all_columns ? columns_ : 2)),
      ki_(rows_ * (keep_all_columns ? columns_ : 2))
{
}

double ValueGrids::bytes_needed(int M, int N, bool keep_all_columns)
{
    const double rows = static_cast<double>(M) + 1.0;
    const double columns = static_cast<double>(N) + 1.0;
    const double grids = keep_all_columns ? 4.0 * rows * columns : 4.0 * rows;
    const double vectors = 6.0 * rows + 2.0 * columns;  // operator, factors, boundaries
    return 8.0 * (grids + vectors);
}

bool ValueGrids::store(const std::vector<double>& grid, NEWMAT::Matrix& out, const ProgressHook& progress) const
{
    const int R = static_cast<int>(rows_);
    const int C = static_cast<int>(columns_);
    out.ReSize(R, C);
    double* dst = out.Store();
    // Newmat is row-major (a row is one price node over time): transpose in
    // blocks so that both sides stay in cache.
    const std::size_t block = 32;
    const std::size_t cellsPerCheck = std::size_t(1) << 16;
    const std::size_t blocksPerCheck = std::max<std::size_t>(1, cellsPerCheck / (block * rows_));
    for (std::size_t j0 = 0, b = 0; j0 < columns_; j0 += block, ++b) {
        if (b > 0 && b % blocksPerCheck == 0 && progress && !progress(1.0))
            return false;
        const std::size_t j1 = std::min(columns_, j0 + block);
        for (std::size_t n = 0; n < rows_; ++n)
            for (std::size_t j = j0; j < j1; ++j)
                dst[n * columns_ + j] = grid[j * rows_ + n];
    }
    return true;
}
