// zemtra._zemtra: the compiled part of the Python package zemtra, a client of
// the library's public C interface only. The package's __init__ re-exports it.
#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include <string>

#include "board.h"
#include "capture.h"
#include "docstrings.h"
#include "identity.h"
#include "interrupt_wait.h"
#include "python_types.h"
#include "registers.h"
#include "sampling.h"
#include "settings.h"

namespace zemtra::python {

namespace {

using namespace pybind11::literals;

void BindBoard(py::module_& m) {
  const auto units = "units"_a = "raw";
  const auto fold = "fold"_a = FoldFactors{2, 2, 2};
  py::class_<Board>(m, "Board", doc::kBoard)
      .def(py::init<std::optional<int32_t>, std::optional<int32_t>>(), "bus"_a = py::none(), "slot"_a = py::none(),
           "Board(bus=None, slot=None)\n\nOpens the first board, or the one at the given bus and/or slot.")
      .def("close", &Board::Close, doc::kClose)
      .def("__enter__", [](Board& board) -> Board& { return board; }, doc::kEnter)
      .def("__exit__", [](Board& board, const py::args&) { board.Close(); }, doc::kExit)
      .def("__repr__",
           [](const Board& board) {
             const DeviceLocation& where = board.location();
             return "<zemtra.Board " + std::to_string(where.bus) + ":" + std::to_string(where.slot) +
                    (board.closed() ? " closed>" : ">");
           })
      .def_property_readonly("closed", &Board::closed, "True once the board is closed.")
      .def_property_readonly("bus", [](const Board& board) { return board.location().bus; }, "The PCI bus.")
      .def_property_readonly("slot", [](const Board& board) { return board.location().slot; }, "The PCI slot.")
      .def_property_readonly("board_id", &Board::boardId,
                             "FPGA 1's product code as read when opened (0x4D27B on a board of this kind).")
      .def_property_readonly(
          "identity", [](const Board& board) { return ReadIdentity(board.Handle("ZemtraGetFPGAIds")); },
          "The product and revision codes of both FPGAs and the hardware revision (Identity).")
      .def_property_readonly("status", &GetStatus, "The latched Glitch and No Sig errors (Status flags).")
      .def("clear_status", &ClearStatus, "flags"_a = py::none(), doc::kClearStatus)
      .def_property("config", &GetConfig, &SetConfig, doc::kConfig)
      .def_property("filter", &GetFilter, &SetFilter, "The filter settings (Filter: enabled, kv and kp 0 to 3).")
      .def_property("interrupt_mask", &GetInterruptMask, &SetInterruptMask,
                    "The interrupt mask (InterruptMask flags): a set bit lets that error interrupt.")
      .def("direction", &GetDirection, "axis"_a, doc::kDirection)
      .def("set_direction", &SetDirection, "axis"_a, "direction"_a, doc::kSetDirection)
      .def(
          "sample",
          [](const Board& board, const py::object& axes, const std::string& u, const FoldFactors& f) {
            return SampleAxes(board, axes, Conversion(u, f));
          },
          "axes"_a = "all", units, fold, doc::kSample)
      .def(
          "read",
          [](const Board& board, int64_t axis, const std::string& u, const FoldFactors& f, bool latched) {
            return ReadAxis(board, axis, !latched, Conversion(u, f));
          },
          "axis"_a, units, fold, "latched"_a = false, doc::kRead)
      .def(
          "positions",
          [](const Board& board, const std::string& u, const FoldFactors& f) -> py::object {
            return SampleAxes(board, py::str("all"), Conversion(u, f)).attr("pos");
          },
          units, fold, doc::kPositions)
      .def(
          "velocities",
          [](const Board& board, const std::string& u, const FoldFactors& f) -> py::object {
            return SampleAxes(board, py::str("all"), Conversion(u, f)).attr("vel");
          },
          units, fold, doc::kVelocities)
      .def("preset", &Preset, "axis"_a, "value"_a, doc::kPreset)
      .def(
          "preset_all",
          [](const Board& board, int64_t a1, int64_t a2, int64_t a3) { return PresetAll(board, {a1, a2, a3}); },
          "a1"_a, "a2"_a, "a3"_a, doc::kPresetAll)
      .def(
          "capture",
          [](const Board& board, int64_t n, std::optional<double> rate, const std::string& u, const FoldFactors& f) {
            return Capture(board, n, rate, Conversion(u, f));
          },
          "n"_a, "rate_hz"_a = py::none(), units, fold, doc::kCapture)
      .def("read_register", &ReadRegister, "offset"_a, "width"_a = py::none(), doc::kReadRegister)
      .def("write_register", &WriteRegister, "offset"_a, "value"_a, "width"_a = py::none(), doc::kWriteRegister)
      .def("wait_interrupt", &WaitInterrupt, "sources"_a, "timeout"_a = py::none(), doc::kWaitInterrupt);
  m.attr("Board").attr("__module__") = "zemtra";
}

}  // namespace

}  // namespace zemtra::python

PYBIND11_MODULE(_zemtra, m) {
  namespace python = zemtra::python;
  pybind11::options options;
  // Each docstring starts with its own signature line, in Python's terms.
  options.disable_function_signatures();
  m.doc() = "The compiled part of the package zemtra; use it through zemtra.";
  python::RegisterPythonTypes(m);
  python::RegisterCaptureRecord();
  m.def("boards", &python::ListBoards, python::doc::kBoards);
  m.def("library_revision", &ZemtraGetLibraryRev, python::doc::kLibraryRevision);
  python::BindBoard(m);
}
