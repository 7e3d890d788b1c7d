#include "AutoCallSolver.h"

#include "EngineMemory.h"
#include "TridiagonalOperator.h"

#include <newmat/newmat.h>

#include <climits>
#include <new>

bool implicit_operator_inverse(int M, double mu, double r, double sigma2, double dt, NEWMAT::Matrix& inverse)
{
    if (M < 3)
        return false;
    const double order = static_cast<double>(M) + 1.0;
    const double interior = static_cast<double>(M) - 1.0;
    // The band matrix, the dense sub-matrix, its inverse and the copy out.
    if (interior * interior > static_cast<double>(INT_MAX) ||
        !fits_in_memory(8.0 * (3.0 * order + 3.0 * interior * interior)))
        return false;
    try {
        const TridiagonalOperator op(M, mu, r, sigma2, dt);
        NEWMAT::BandMatrix band(M + 1, 1, 1);
        band = 0.0;
        band(1, 1) = 1.0;
        band(M + 1, M + 1) = 1.0;
        for (int row = 2; row <= M; ++row) {
            const std::size_t i = static_cast<std::size_t>(row - 2);
            band(row, row - 1) = op.lower(i);
            band(row, row) = op.diag(i);
            band(row, row + 1) = op.upper(i);
        }
        inverse = band.SubMatrix(2, M, 2, M).i();
        return true;
    } catch (const NEWMAT::BaseException&) {
        return false;
    } catch (const std::bad_alloc&) {
        return false;
    }
}
