#include "registers.h"

#include "errors.h"
#include "python_types.h"
#include "zemtra_registers.h"

namespace zemtra::python {

namespace {

int WidthOf(int32_t offset, std::optional<int> width) {
  if (width) {
    if (*width != 16 && *width != 32) throw py::value_error("width must be 16 or 32");
    return *width;
  }
  for (const ZemtraRegisterInfo& info : ZemtraRegisterMap) {
    if (info.offset == offset) return info.width;
  }
  throw py::value_error("the register map names no register at this offset: give width=16 or 32");
}

// Offsets beyond 32 bits are outside any window, as the library would say.
int32_t Offset(const char* function, int64_t offset) {
  if (offset < INT32_MIN || offset > INT32_MAX) RaiseLibraryError(function, ZEMTRA_ERR_BAD_ADDRESS);
  return static_cast<int32_t>(offset);
}

}  // namespace

uint32_t ReadRegister(const Board& board, int64_t offset, std::optional<int> width) {
  if (WidthOf(Offset("ZemtraReadRegisterLong", offset), width) == 16) {
    uint16_t value = 0;
    Check("ZemtraReadRegisterWord",
          ZemtraReadRegisterWord(board.Handle("ZemtraReadRegisterWord"), static_cast<int32_t>(offset), &value));
    return value;
  }
  uint32_t value = 0;
  Check("ZemtraReadRegisterLong",
        ZemtraReadRegisterLong(board.Handle("ZemtraReadRegisterLong"), static_cast<int32_t>(offset), &value));
  return value;
}

void WriteRegister(const Board& board, int64_t offset, int64_t value, std::optional<int> width) {
  const int bits = WidthOf(Offset("ZemtraWriteRegisterLong", offset), width);
  if (value < 0 || value >= (int64_t{1} << bits)) {
    throw py::value_error("value must be 0 to 0x" + std::string(bits == 16 ? "FFFF" : "FFFFFFFF"));
  }
  if (bits == 16) {
    Check("ZemtraWriteRegisterWord", ZemtraWriteRegisterWord(board.Handle("ZemtraWriteRegisterWord"),
                                                             static_cast<int32_t>(offset), static_cast<uint16_t>(value)));
  } else {
    Check("ZemtraWriteRegisterLong", ZemtraWriteRegisterLong(board.Handle("ZemtraWriteRegisterLong"),
                                                             static_cast<int32_t>(offset), static_cast<uint32_t>(value)));
  }
}

}  // namespace zemtra::python
