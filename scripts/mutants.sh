#!/usr/bin/env bash
# How many seeded faults do the tests catch? Applies each mutant of
# scripts/mutants.list in turn to a private copy of the tree, rebuilds it
# incrementally (library, units and command-line tool; the monitor for its
# own mutants, scripts/mutants-monitor.list), runs the
# mutant's CTest labels and restores the file. Prints one line per mutant and
# a summary line:
#   mutants: K killed, S survived of N; kill rate P%
# A mutant that does not compile counts as killed (by the compiler); one whose
# original text is not found exactly once is stale and not counted.
# Too slow for `make test` or CI: run it by hand, e.g. `nice -n 15 make mutants`.
set -euo pipefail

usage() {
  cat <<'EOF'
usage: scripts/mutants.sh [-c COMMIT] [-f REGEX] [-l LIST] [-w DIR] [-n]
  -c COMMIT  test the tree of this commit (default: the working tree, with uncommitted changes)
  -f REGEX   only the mutants whose name, file or description matches (grep -E)
  -l LIST    the mutant list (default: scripts/mutants.list beside this script)
  -w DIR     where the copy and its build go (default: build-mutants in the repository,
             beside the other build directories, so that ccache finds their objects)
  -n         only check which mutants apply to the tree: no build, no tests
EOF
}

repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
list=$repo/scripts/mutants.list
work=$repo/build-mutants
commit=""
filter=""
check_only=false
while getopts "c:f:l:w:nh" option; do
  case $option in
    c) commit=$OPTARG ;;
    f) filter=$OPTARG ;;
    l) list=$(realpath "$OPTARG") ;;
    w) work=$(realpath -m "$OPTARG") ;;
    n) check_only=true ;;
    h) usage; exit 0 ;;
    *) usage >&2; exit 2 ;;
  esac
done

test_timeout=60    # s per test: a mutant that hangs a test is killed by this
mutant_timeout=600 # s for the tests of one mutant

tree=$work/tree
build=$tree/build
logs=$work/logs
rm -rf "$tree" "$logs"
mkdir -p "$tree" "$logs"

# ---- The private copy ------------------------------------------------------
if [ -n "$commit" ]; then
  git -C "$repo" archive --format=tar "$commit" | tar -xf - -C "$tree"
  source_name=$(git -C "$repo" rev-parse --short "$commit")
else
  (cd "$repo" && git ls-files -z --cached --others --exclude-standard |
    tar --null --ignore-failed-read -T - -cf -) | tar -xf - -C "$tree"
  source_name="the working tree of $repo"
fi

# ---- The list: blocks of "key: value" lines, then "- " and "+ " lines ------
# Each mutant becomes three files in $work/list: NAME.meta (file, labels,
# about), NAME.old and NAME.new (the texts, without a final newline).
parsed=$work/list
rm -rf "$parsed"
mkdir -p "$parsed"
perl -e '
  my ($list, $out) = @ARGV;
  open(my $in, "<", $list) or die "cannot read $list\n";
  my (@names, %m, $name);
  while (my $line = <$in>) {
    chomp $line;
    next if $line =~ /^#/ || $line =~ /^\s*$/;
    if ($line =~ /^mutant:\s*([A-Za-z0-9-]+)\s*$/) {
      $name = $1;
      die "mutant $name listed twice\n" if exists $m{$name};
      push @names, $name;
      $m{$name} = {old => [], new => []};
    } elsif (!defined $name) {
      die "$list: text before the first mutant: $line\n";
    } elsif ($line =~ /^(file|labels|about):\s*(.*?)\s*$/) {
      $m{$name}{$1} = $2;
    } elsif ($line =~ /^([-+])(?: (.*))?$/) {
      push @{$m{$name}{$1 eq "-" ? "old" : "new"}}, defined $2 ? $2 : "";
    } else {
      die "$list: mutant $name: cannot read: $line\n";
    }
  }
  for my $n (@names) {
    my $x = $m{$n};
    for my $key (qw(file labels about)) { die "mutant $n has no $key\n" unless $x->{$key} }
    die "mutant $n has no original text\n" unless @{$x->{old}};
    open(my $f, ">", "$out/$n.meta") or die; print $f "$x->{file}\n$x->{labels}\n$x->{about}\n"; close $f;
    open($f, ">", "$out/$n.old") or die; print $f join("\n", @{$x->{old}}); close $f;
    open($f, ">", "$out/$n.new") or die; print $f join("\n", @{$x->{new}}); close $f;
    print "$n\n";
  }
' "$list" "$parsed" >"$parsed/names"

# Replaces the one occurrence of OLD in FILE by NEW; exit 3 (and no change)
# when OLD occurs other than exactly once.
apply_mutant() {
  perl -e '
    my ($file, $old, $new) = @ARGV;
    local $/;
    open(my $f, "<", $old) or die; my $o = <$f>; close $f;
    open($f, "<", $new) or die; my $n = <$f>; close $f;
    $n = "" unless defined $n;
    open($f, "<", $file) or exit 3; my $s = <$f>; close $f;
    my ($count, $at) = (0, 0);
    while (($at = index($s, $o, $at)) >= 0) { ++$count; $at += length $o; }
    exit 3 unless $count == 1;
    substr($s, index($s, $o), length $o) = $n;
    open($f, ">", $file) or die; print $f $s; close $f;
  ' "$tree/$1" "$2" "$3"
}

mapfile -t names < "$parsed/names"
selected=()
for name in "${names[@]}"; do
  mapfile -t meta < "$parsed/$name.meta"
  if [ -z "$filter" ] || printf '%s\n' "$name" "${meta[0]}" "${meta[2]}" | grep -E -- "$filter" >/dev/null; then
    selected+=("$name")
  fi
done
[ ${#selected[@]} -gt 0 ] || { echo "no mutant matches '$filter'" >&2; exit 2; }

echo "mutants of $(basename "$list") on $source_name: ${#selected[@]} selected"

if $check_only; then
  stale=0
  for name in "${selected[@]}"; do
    mapfile -t meta < "$parsed/$name.meta"
    cp "$tree/${meta[0]}" "$work/saved" 2>/dev/null || true
    if apply_mutant "${meta[0]}" "$parsed/$name.old" "$parsed/$name.new"; then
      cp "$work/saved" "$tree/${meta[0]}"
      printf '%-9s %-34s %s\n' applies "$name" "${meta[2]}"
    else
      stale=$((stale + 1))
      printf '%-9s %-34s %s\n' stale "$name" "${meta[2]}"
    fi
  done
  echo "mutants: $stale stale of ${#selected[@]}"
  [ "$stale" -eq 0 ]
  exit
fi

# ---- Build once, and check that the unchanged tree passes -----------------
# The monitor only for mutants of its own (scripts/mutants-monitor.list).
monitor=OFF
for name in "${selected[@]}"; do
  if sed -n 1p "$parsed/$name.meta" | grep -q '^monitor/'; then monitor=ON; fi
done
start=$SECONDS
cmake -S "$tree" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZEMTRA_WERROR=ON \
  -DZEMTRA_BUILD_MONITOR=$monitor -DZEMTRA_BUILD_BENCH=OFF \
  -DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache >"$logs/configure.log" 2>&1 ||
  { echo "cannot configure the copy: see $logs/configure.log" >&2; exit 1; }
cmake --build "$build" -j "$(nproc)" >"$logs/build.log" 2>&1 ||
  { echo "the unchanged tree does not build: see $logs/build.log" >&2; exit 1; }

label_regex() { echo "^($(echo "$1" | tr -s ' ' '|'))\$"; }

all_labels=$(for name in "${selected[@]}"; do sed -n 2p "$parsed/$name.meta"; done | tr ' ' '\n' | sort -u)
for label in $all_labels; do
  tests=$(ctest --test-dir "$build" -N -L "^$label\$" | sed -n 's/^Total Tests: //p')
  if [ "${tests:-0}" -eq 0 ]; then
    echo "no test has the label '$label'" >&2
    exit 1
  fi
done
if ! ctest --test-dir "$build" -L "$(label_regex "$(echo $all_labels)")" -j "$(nproc)" \
  --timeout "$test_timeout" >"$logs/baseline.log" 2>&1; then
  echo "the unchanged tree fails its tests: see $logs/baseline.log" >&2
  exit 1
fi
echo "baseline built and passed in $((SECONDS - start)) s"

# ---- One mutant at a time -------------------------------------------------
killed=0
survived=0
stale=0
for name in "${selected[@]}"; do
  mapfile -t meta < "$parsed/$name.meta"
  file=${meta[0]}
  log=$logs/$name.log
  if [ ! -f "$tree/$file" ] || ! cp "$tree/$file" "$work/saved" ||
    ! apply_mutant "$file" "$parsed/$name.old" "$parsed/$name.new"; then
    stale=$((stale + 1))
    printf '%-9s %-34s %s\n' stale "$name" "${meta[2]}"
    continue
  fi
  verdict=survived
  how=""
  if ! cmake --build "$build" -j "$(nproc)" >"$log" 2>&1; then
    verdict=killed
    how=" (by the compiler)"
  elif ! timeout "$mutant_timeout" ctest --test-dir "$build" -L "$(label_regex "${meta[1]}")" \
    -j "$(nproc)" --timeout "$test_timeout" --stop-on-failure --output-on-failure >>"$log" 2>&1; then
    verdict=killed
  fi
  # A fresh modification time: the next build compiles the original again.
  cp "$work/saved" "$tree/$file"
  if [ "$verdict" = killed ]; then killed=$((killed + 1)); else survived=$((survived + 1)); fi
  printf '%-9s %-34s %s%s\n' "$verdict" "$name" "${meta[2]}" "$how"
done

counted=$((killed + survived))
rate=0
[ "$counted" -eq 0 ] || rate=$((100 * killed / counted))
[ "$stale" -eq 0 ] || echo "$stale stale (not counted): update their texts in $(basename "$list")"
echo "logs in $logs; $((SECONDS - start)) s in all"
echo "mutants: $killed killed, $survived survived of $counted; kill rate $rate%"
