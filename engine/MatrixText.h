#pragma once

#include <string>

namespace NEWMAT { class Matrix; }
class Calculator_PDE;

// The text of one "MATRIX:<name>" block as the matrix export appends it:
// the name line, then one line per price node from the lowest up, each cell
// "%.4f, " ("nan, " for NaN) and a line break.
std::string matrix_block(const NEWMAT::Matrix& grid, const char* name);

// The blocks export_matrices appends, "Price" then "Price_KI", as one text:
// for front ends that write files themselves (whole, under a lock).
std::string matrices_text(const NEWMAT::Matrix& price, const NEWMAT::Matrix& price_ki);
std::string matrices_text(const Calculator_PDE& engine);
