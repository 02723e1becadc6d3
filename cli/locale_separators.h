// The decimal and thousands separators of the user's locale (LC_NUMERIC and
// friends), looked up without changing the process's own C locale, which the
// number formatting relies on.
#pragma once

#include "display_units.h"

namespace zemtra::cli {

units::Separators LocaleSeparators();

}  // namespace zemtra::cli
