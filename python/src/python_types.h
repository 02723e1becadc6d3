// The Python classes the module's results are made of: the flag types built
// from the register map, and the dataclasses and exceptions of zemtra._types.
// The module object owns them; these are borrowed handles for its lifetime.
#pragma once

#include <pybind11/pybind11.h>

namespace zemtra::python {

namespace py = pybind11;

struct PythonTypes {
  py::handle status;         // IntFlag: the status word
  py::handle config;         // IntFlag: the configuration word
  py::handle interruptMask;  // IntFlag: the interrupt mask
  py::handle direction;      // IntEnum: counting direction
  py::handle identity;
  py::handle boardInfo;
  py::handle filter;
  py::handle sample;
  py::handle errorFor;       // error_for(code, function, text) -> ZemtraError
};

// Creates the flag types, imports zemtra._types and stores every type as an
// attribute of `module`, which keeps them alive.
void RegisterPythonTypes(py::module_& module);
const PythonTypes& Types();

}  // namespace zemtra::python
