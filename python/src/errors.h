// Library error codes as Python exceptions: ZemtraError and its subclasses
// (zemtra._types), carrying the code, the function and the library's text.
#pragma once

#include "zemtra.h"

namespace zemtra::python {

// Raises the exception for `code` (throws pybind11::error_already_set).
[[noreturn]] void RaiseLibraryError(const char* function, ErrorCode code);

// Raises unless `code` is success.
inline void Check(const char* function, ErrorCode code) {
  if (code != ZEMTRA_SUCCESS) RaiseLibraryError(function, code);
}

// The same, but code 25 (an axis or the reference had no valid signal) is
// data, not a failure: sampling calls show it in the validity.
inline void CheckSample(const char* function, ErrorCode code) {
  if (code != ZEMTRA_SUCCESS && code != ZEMTRA_ERR_INVALID_DATA) RaiseLibraryError(function, code);
}

}  // namespace zemtra::python
