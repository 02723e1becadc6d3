// How the tool fails: every failure is one of these exceptions, and main turns
// each into one line on standard error and its exit status.
#pragma once

#include <stdexcept>
#include <string>

#include "zemtra.h"

namespace zemtra::cli {

inline constexpr int kExitSuccess = 0;
inline constexpr int kExitBoardError = 1;
inline constexpr int kExitUsage = 2;
// Ended by Ctrl-C while waiting for something that did not happen.
inline constexpr int kExitInterrupted = 130;

// The command line asks for something impossible (exit 2).
class UsageError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The board or the library refused (exit 1).
class BoardError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// A library call returned a code other than success: names the function and
// carries the library's own text for the code.
class LibraryError : public BoardError {
 public:
  LibraryError(const char* function, ErrorCode code);
};

// Throws LibraryError unless `code` is success.
void Check(const char* function, ErrorCode code);

// Standard output cannot be written (exit 1): the data would be lost.
class OutputError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Nothing was found to open: the message says how to get a board.
class NoBoardError : public BoardError {
 public:
  NoBoardError();
};

}  // namespace zemtra::cli
