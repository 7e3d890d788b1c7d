// _kelvara: the C++ part of the Python package kelvara. Each file under
// python/src binds one part of the program; this one only gathers them.
#include "Bindings.h"

PYBIND11_MODULE(_kelvara, m)
{
    m.doc() = "Kelvara's engine for Python (the C++ part; use the package kelvara).";
    bindCommandLine(m);
}
