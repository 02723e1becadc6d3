#include "locale_separators.h"

#include <langinfo.h>
#include <locale.h>

namespace zemtra::cli {

units::Separators LocaleSeparators() {
  units::Separators separators;
  const locale_t user = newlocale(LC_NUMERIC_MASK, "", static_cast<locale_t>(nullptr));
  if (user == static_cast<locale_t>(nullptr)) return separators;
  separators.decimal = nl_langinfo_l(RADIXCHAR, user);
  separators.group = nl_langinfo_l(THOUSEP, user);
  freelocale(user);
  if (separators.decimal.empty()) separators.decimal = ".";
  return separators;
}

}  // namespace zemtra::cli
