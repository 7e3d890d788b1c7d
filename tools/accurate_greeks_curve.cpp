// Writes Delta and Gamma of the monthly note (not knocked in) from the
// accurate pricer against spot, through the knock-in barrier 80 and the
// knock-out barrier 103, as CSV: spot, value, delta, gamma, knocked-in value.
// Usage: accurate_greeks_curve [file.csv] (default accurate_greeks_curve.csv).
#include "AccurateStructures.h"

#include <cstdio>

int main(int argc, char** argv)
{
    const char* path = argc > 1 ? argv[1] : "accurate_greeks_curve.csv";
    const AccurateCase note = monthlyNoteCase();
    const AccurateSolution s = solve_accurate(note.contract, note.model, note.year_days);
    if (!s.ok()) {
        std::fprintf(stderr, "accurate_greeks_curve: %s\n", s.error.c_str());
        return 1;
    }
    std::FILE* out = std::fopen(path, "w");
    if (!out) {
        std::fprintf(stderr, "accurate_greeks_curve: cannot write %s\n", path);
        return 1;
    }
    std::fprintf(out, "spot,value,delta,gamma,value_knocked_in\n");
    for (int i = 0; i <= 3500; ++i) {
        const double S = 70.0 + 0.01 * i;
        std::fprintf(out, "%.2f,%.8f,%.8f,%.8f,%.8f\n", S, s.value(S, false), s.delta(S, false), s.gamma(S, false),
                     s.value(S, true));
    }
    std::fclose(out);
    std::printf("%s\n", path);
    return 0;
}
