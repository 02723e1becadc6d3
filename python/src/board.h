// An open board as the Python object zemtra.Board holds it: the library's
// handle, where the board sits, and a close that may come any number of times.
#pragma once

#include <optional>

#include "zemtra.h"

namespace zemtra::python {

class Board {
 public:
  // Opens the first board, or the one at the given bus and/or slot.
  Board(std::optional<int32_t> bus, std::optional<int32_t> slot);
  ~Board();
  Board(const Board&) = delete;
  Board& operator=(const Board&) = delete;

  // Closes the board; nothing happens when it is closed already.
  void Close();
  bool closed() const { return handle_ == 0; }

  // The handle for a call to `function`; raises InvalidHandleError naming that
  // function when the board is closed.
  DeviceHandle Handle(const char* function) const;

  const DeviceLocation& location() const { return location_; }
  int32_t boardId() const { return boardId_; }

 private:
  DeviceHandle handle_ = 0;
  DeviceLocation location_{};
  int32_t boardId_ = 0;
};

}  // namespace zemtra::python
