#pragma once

#include <pybind11/pybind11.h>

// One function per bound part of the program, called by the module's init.

// kelvara-cli's commands: run_command_line and describe_commands.
void bindCommandLine(pybind11::module_& m);
