#!/usr/bin/env bash
# The shared library exports exactly the functions its header declares (33),
# all as code, and carries a versioned SONAME.
set -euo pipefail
library=$1
header=$2

declared=$(grep '^ZEMTRA_API' "$header" | grep -o 'Zemtra[A-Za-z0-9]*(' | tr -d '(' | sort)
exported=$(nm -D --defined-only "$library" | awk '{print $3}' | sort)
not_code=$(nm -D --defined-only "$library" | awk '$2 != "T" {print $3}')

status=0
if [ "$(wc -l <<<"$declared")" -ne 33 ]; then
  echo "the header declares $(wc -l <<<"$declared") functions, not 33"; status=1
fi
if [ "$declared" != "$exported" ]; then
  echo "exported symbols differ from the declared functions:"
  diff <(echo "$declared") <(echo "$exported") || true
  status=1
fi
if [ -n "$not_code" ]; then
  echo "exported but not code: $not_code"; status=1
fi
soname=$(objdump -p "$library" | awk '$1 == "SONAME" {print $2}')
if [[ ! "$soname" =~ ^libZemtra\.so\.[0-9]+$ ]]; then
  echo "SONAME is '$soname'"; status=1
fi
[ $status -eq 0 ] && echo "$(wc -l <<<"$exported") symbols exported, SONAME $soname"
exit $status
