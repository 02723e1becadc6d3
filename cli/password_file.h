// A secret read from a file, so that it never appears on a command line or in
// `ps`: the first line, without its line end.
#pragma once

#include <string>

namespace zemtra::cli {

// Throws UsageError when the file is missing, not a regular file, empty or
// larger than 4 KiB.
std::string ReadPasswordFile(const std::string& path);

}  // namespace zemtra::cli
