#include "failures.h"

namespace zemtra::cli {

LibraryError::LibraryError(const char* function, ErrorCode code)
    : BoardError(std::string(function) + ": " + ZemtraGetErrStr(code) + " (" + std::to_string(code) + ")") {}

void Check(const char* function, ErrorCode code) {
  if (code != ZEMTRA_SUCCESS) throw LibraryError(function, code);
}

NoBoardError::NoBoardError()
    : BoardError(
          "no Zemtra board found: set ZEMTRA_SIM=1 for a simulated board, or give your "
          "user access to the real one (README, \"Real boards on Linux\")") {}

}  // namespace zemtra::cli
