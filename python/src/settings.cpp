#include "settings.h"

#include "errors.h"
#include "flags.h"
#include "python_types.h"
#include "sampling.h"
#include "zemtra_registers.h"

namespace zemtra::python {

namespace {

constexpr uint16_t kDirectionBits[ZEMTRA_AXIS_COUNT] = {ZEMTRA_CONFIG_A1_DIR, ZEMTRA_CONFIG_A2_DIR,
                                                        ZEMTRA_CONFIG_A3_DIR};

uint16_t ReadConfig(const Board& board) {
  uint16_t config = 0;
  Check("ZemtraGetConfig", ZemtraGetConfig(board.Handle("ZemtraGetConfig"), &config));
  return config;
}

int FilterGain(const py::object& filter, const char* name) {
  const auto gain = filter.attr(name).cast<int64_t>();
  if (gain < 0 || gain > 3) throw py::value_error(std::string("filter ") + name + " must be 0 to 3");
  return static_cast<int>(gain);
}

}  // namespace

uint16_t OnlyBits(int64_t value, uint16_t all, const char* what) {
  if (value < 0 || (value & ~static_cast<int64_t>(all)) != 0) {
    throw py::value_error(std::string(what) + " has bits the board does not define");
  }
  return static_cast<uint16_t>(value);
}

py::object GetStatus(const Board& board) {
  uint16_t status = 0;
  Check("ZemtraGetStatus", ZemtraGetStatus(board.Handle("ZemtraGetStatus"), &status));
  return Types().status(status);
}

py::object ClearStatus(const Board& board, const std::optional<int64_t>& flags) {
  uint16_t status = 0;
  if (flags) {
    const uint16_t bits = OnlyBits(*flags, AllBits(StatusBits()), "the status");
    Check("ZemtraClearStatusBits", ZemtraClearStatusBits(board.Handle("ZemtraClearStatusBits"), bits, &status));
  } else {
    Check("ZemtraClearStatusAll", ZemtraClearStatusAll(board.Handle("ZemtraClearStatusAll"), &status));
  }
  return Types().status(status);
}

py::object GetConfig(const Board& board) { return Types().config(ReadConfig(board)); }

void SetConfig(const Board& board, int64_t config) {
  const uint16_t word = OnlyBits(config, AllBits(ConfigBits()), "the configuration");
  Check("ZemtraSetConfig", ZemtraSetConfig(board.Handle("ZemtraSetConfig"), word));
}

py::object GetInterruptMask(const Board& board) {
  uint16_t mask = 0;
  Check("ZemtraGetInterruptMask", ZemtraGetInterruptMask(board.Handle("ZemtraGetInterruptMask"), &mask));
  return Types().interruptMask(mask);
}

void SetInterruptMask(const Board& board, int64_t mask) {
  const uint16_t word = OnlyBits(mask, AllBits(InterruptMaskBits()), "the interrupt mask");
  Check("ZemtraSetInterruptMask", ZemtraSetInterruptMask(board.Handle("ZemtraSetInterruptMask"), word));
}

py::object GetFilter(const Board& board) {
  uint16_t word = 0;
  Check("ZemtraGetFilter", ZemtraGetFilter(board.Handle("ZemtraGetFilter"), &word));
  return Types().filter((word & ZEMTRA_FILTER_ENABLE) != 0, (word & ZEMTRA_FILTER_KV_MASK) >> ZEMTRA_FILTER_KV_SHIFT,
                        (word & ZEMTRA_FILTER_KP_MASK) >> ZEMTRA_FILTER_KP_SHIFT);
}

void SetFilter(const Board& board, const py::object& filter) {
  const bool enabled = filter.attr("enabled").cast<bool>();
  const int word = (enabled ? ZEMTRA_FILTER_ENABLE : 0) | FilterGain(filter, "kv") << ZEMTRA_FILTER_KV_SHIFT |
                   FilterGain(filter, "kp") << ZEMTRA_FILTER_KP_SHIFT;
  Check("ZemtraSetFilter", ZemtraSetFilter(board.Handle("ZemtraSetFilter"), static_cast<uint16_t>(word)));
}

py::object GetDirection(const Board& board, int64_t axis) {
  CheckAxis("ZemtraGetConfig", axis);
  return Types().direction((ReadConfig(board) & kDirectionBits[axis]) != 0 ? 1 : 0);
}

void SetDirection(const Board& board, int64_t axis, int64_t direction) {
  CheckAxis("ZemtraSetConfig", axis);
  if (direction != 0 && direction != 1) throw py::value_error("direction must be Direction.NORMAL or REVERSED");
  const uint16_t old = ReadConfig(board);
  const uint16_t bit = kDirectionBits[axis];
  Check("ZemtraSetConfig",
        ZemtraSetConfig(board.Handle("ZemtraSetConfig"), static_cast<uint16_t>(direction != 0 ? old | bit : old & ~bit)));
}

}  // namespace zemtra::python
