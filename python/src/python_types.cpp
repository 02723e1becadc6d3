#include "python_types.h"

#include "flags.h"

namespace zemtra::python {

namespace {

PythonTypes types;

py::object MakeEnum(const char* kind, const char* name, const char* doc, const std::vector<FlagBit>& bits) {
  py::list members;
  for (const FlagBit& bit : bits) members.append(py::make_tuple(bit.name, bit.mask));
  py::object type = py::module_::import("enum").attr(kind)(name, members, py::arg("module") = "zemtra");
  type.attr("__doc__") = doc;
  return type;
}

// Stores `type` as module.name and returns a handle the module keeps alive.
py::handle Keep(py::module_& module, const char* name, py::object type) {
  module.attr(name) = type;
  return module.attr(name);
}

}  // namespace

void RegisterPythonTypes(py::module_& module) {
  types.status = Keep(module, "Status",
                      MakeEnum("IntFlag", "Status",
                               "The status word: the latched Glitch and No Sig errors of the axes and the reference.",
                               StatusBits()));
  types.config = Keep(module, "Config",
                      MakeEnum("IntFlag", "Config",
                               "The configuration word: the counting direction of each axis and the board's global "
                               "interrupt enable.",
                               ConfigBits()));
  types.interruptMask = Keep(module, "InterruptMask",
                             MakeEnum("IntFlag", "InterruptMask",
                                      "The interrupt mask: a set bit lets that error interrupt.",
                                      InterruptMaskBits()));
  types.direction = Keep(module, "Direction",
                         MakeEnum("IntEnum", "Direction", "The counting direction of an axis.",
                                  {{"NORMAL", 0}, {"REVERSED", 1}}));
  const py::module_ records = py::module_::import("zemtra._types");
  types.identity = Keep(module, "Identity", records.attr("Identity"));
  types.boardInfo = Keep(module, "BoardInfo", records.attr("BoardInfo"));
  types.filter = Keep(module, "Filter", records.attr("Filter"));
  types.sample = Keep(module, "Sample", records.attr("Sample"));
  types.errorFor = Keep(module, "_error_for", records.attr("error_for"));
}

const PythonTypes& Types() { return types; }

}  // namespace zemtra::python
