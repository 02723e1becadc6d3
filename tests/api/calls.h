// Calls of the library as rows of tables: a row's call is one expression of
// the handle `h` and the out-values `o`, which start out filled with a
// pattern no call produces.
#pragma once

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <initializer_list>
#include <string>

#include "zemtra.h"

namespace zemtra::test {

struct Outs {
  uint16_t w = 0x5EED;                                                                      // word
  uint32_t l[2] = {0x5EED5EED, 0x5EED5EED};                                                 // longs
  int32_t v[6] = {0x5EED5EED, 0x5EED5EED, 0x5EED5EED, 0x5EED5EED, 0x5EED5EED, 0x5EED5EED};  // values
  uint32_t count = 0x5EED5EED;
  uint32_t event = 0x5EED5EED;
  DeviceHandle handle = 0x5EED5EED;
  bool operator==(const Outs&) const = default;
};

// A call's code, then each value in hex: "0 0x4D27B 0x4D27C". The braces
// keep several calls of one row in the order written.
inline std::string Gave(std::initializer_list<int64_t> codeThenValues) {
  std::string text;
  for (const int64_t value : codeThenValues) {
    char item[16];
    std::snprintf(item, sizeof item, text.empty() ? "%d" : " 0x%X", static_cast<uint32_t>(value));
    text += item;
  }
  return text;
}

#define CALL(expression)                     \
  [](DeviceHandle h, Outs& o) -> ErrorCode { \
    (void)h, (void)o;                        \
    return expression;                       \
  }
#define CALLS(...)                             \
  [](DeviceHandle h, Outs& o) -> std::string { \
    (void)h, (void)o;                          \
    return Gave({__VA_ARGS__});                \
  }

// GetRawPosVelAll into `o`, with out-pointer number `missing` (0 to 6) null.
inline ErrorCode PosVelAll(DeviceHandle h, Outs& o, int missing = -1) {
  int32_t* p[6];
  for (int i = 0; i < 6; ++i) p[i] = i == missing ? nullptr : &o.v[i];
  return ZemtraGetRawPosVelAll(h, p[0], p[1], p[2], p[3], p[4], p[5], missing == 6 ? nullptr : &o.w);
}

// Attaches and closes the event again: the caller's part of an attach.
inline ErrorCode AttachAndClose(DeviceHandle h, Outs& o) {
  const ErrorCode code = ZemtraPciInterruptAttach(h, &o.event);
  if (code == ZEMTRA_SUCCESS) ::close(static_cast<int>(o.event));
  return code;
}

}  // namespace zemtra::test
