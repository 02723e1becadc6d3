// Checks of numeric options on their text, before the parser converts them:
// its conversion lets "-1" or "1e99999" become the largest count, and "nan"
// slip through any range, which would turn a typo into an endless run.
#pragma once

#include <CLI/CLI.hpp>

namespace zemtra::cli {

// A whole number from 1 to 2^64 - 1.
CLI::Validator WholeCount();
// A finite decimal number from `lowest` to `highest`.
CLI::Validator RealBetween(double lowest, double highest);

}  // namespace zemtra::cli
