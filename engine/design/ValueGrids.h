#pragma once

#include "EngineHooks.h"

#include <newmat/newmat.h>

#include <cstddef>
#include <vector>

// The not-knocked-in and knocked-in value grids while the solver steps them:
// one time column (nodes 0..M) contiguous, so a step touches memory in order
// and never goes through the matrix library's checked element access. Kept
// whole when the caller wants the grids, otherwise only the two columns a
// step needs.
class ValueGrids
{
public:
    ValueGrids(int M, int N, bool keep_all_columns);

    double* not_knocked_in(int column) { return nki_.data() + offset(column); }
    double* knocked_in(int column) { return ki_.data() + offset(column); }

    // Bytes the grids of a run need (the Newmat copies included when kept).
    static double bytes_needed(int M, int N, bool keep_all_columns);

    // Copies a kept grid into a Newmat matrix of M+1 rows and N+1 columns.
    // A large grid takes a while: the hook is asked (with the fraction 1, the
    // steps being done) every few million cells, and false from it stops the
    // copy and returns false.
    bool store_not_knocked_in(NEWMAT::Matrix& out, const ProgressHook& progress = ProgressHook()) const
    {
        return store(nki_, out, progress);
    }
    bool store_knocked_in(NEWMAT::Matrix& out, const ProgressHook& progress = ProgressHook()) const
    {
        return store(ki_, out, progress);
    }

private:
    std::size_t offset(int column) const
    {
        return (keep_all_ ? static_cast<std::size_t>(column) : static_cast<std::size_t>(column & 1)) * rows_;
    }
    bool store(const std::vector<double>& grid, NEWMAT::Matrix& out, const ProgressHook& progress) const;

    std::size_t rows_;
    std::size_t columns_;
    bool keep_all_;
    std::vector<double> nki_, ki_;
};
