// kelvara-cli's commands for Python: a command line run in-process through
// the same code as kelvara-cli's main, and the description of every command's
// options from which the package builds its keyword functions.
#include "Bindings.h"

#include "CommandDescription.h"
#include "CommandLine.h"

#include <pybind11/stl.h>

#include <string>
#include <vector>

namespace py = pybind11;

namespace {

// Text from the program is UTF-8, but a file name or a record it quotes may
// not be: such bytes are replaced rather than failing the call.
py::str text(const std::string& utf8)
{
    PyObject* s = PyUnicode_DecodeUTF8(utf8.data(), static_cast<Py_ssize_t>(utf8.size()), "replace");
    if (s == nullptr)
        throw py::error_already_set();
    return py::reinterpret_steal<py::str>(s);
}

py::tuple runCommand(const std::vector<std::string>& args, const std::string& shippedCalendar)
{
    CommandLineSettings settings;
    settings.shippedCalendar = shippedCalendar;
    settings.onlyNamedCommand = true;
    CommandLineResult r;
    {
        // The whole run without the GIL: other Python threads run meanwhile.
        py::gil_scoped_release release;
        r = runCommandLine(args, settings);
    }
    py::list errors;
    for (const std::string& e : r.errors)
        errors.append(text(e));
    return py::make_tuple(r.status, text(r.output), errors, text(r.warnings));
}

}  // namespace

void bindCommandLine(py::module_& m)
{
    m.def("run_command_line", &runCommand, py::arg("args"), py::arg("shipped_calendar"),
          "Runs one kelvara-cli command line (without the program name) as kelvara-cli would, "
          "without the GIL. Returns (status, stdout text, [error messages], warning lines). "
          "shipped_calendar is the trading calendar used when neither --calendar nor "
          "./trade_calendar.csv names one.");

    py::class_<OptionDescription>(m, "OptionDescription")
        .def_readonly("name", &OptionDescription::name)
        .def_readonly("positional", &OptionDescription::positional)
        .def_readonly("flag", &OptionDescription::flag)
        .def_readonly("dates", &OptionDescription::dates)
        .def_property_readonly("separator",
                               [](const OptionDescription& o) { return o.separator ? std::string(1, o.separator) : ""; })
        .def_readonly("help", &OptionDescription::help)
        .def_readonly("default", &OptionDescription::defaultText);
    py::class_<CommandDescription>(m, "CommandDescription")
        .def_readonly("name", &CommandDescription::name)
        .def_readonly("help", &CommandDescription::help)
        .def_readonly("options", &CommandDescription::options);
    m.def("describe_commands", &describeCommands, "Every kelvara-cli command with its options, in the order of its help.");
}
