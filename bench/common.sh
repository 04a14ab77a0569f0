# Shared by the benchmark scripts: finds or builds a Release xpconvert and
# measures commands. Sourced, not run.

here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

# XPCONVERT names a program to measure; otherwise build/native is used and
# built in Release when it has no xpconvert yet.
find_xpconvert() {
  if [ -n "${XPCONVERT:-}" ]; then
    echo "$XPCONVERT"
    return
  fi
  local build=$here/build/native
  if [ ! -x "$build/cli/xpconvert" ]; then
    echo "Building xpconvert (Release) in $build ..." >&2
    cmake -S "$here" -B "$build" -DCMAKE_BUILD_TYPE=Release >/dev/null
    cmake --build "$build" -j2 --target xpconvert >&2
  fi
  echo "$build/cli/xpconvert"
}

# Wall-clock seconds of one run of the command (bash's clock, microseconds);
# its standard output is dropped.
seconds_of() {
  local start end
  start=$EPOCHREALTIME
  "$@" >/dev/null
  end=$EPOCHREALTIME
  awk -v s="$start" -v e="$end" 'BEGIN { printf "%.3f", e - s }'
}

# The smaller of two decimal numbers.
min_of() { awk -v a="$1" -v b="$2" 'BEGIN { print (a < b ? a : b) }'; }

# Peak resident memory of one run of the command, in KiB.
peak_kib_of() {
  local report
  report=$(mktemp)
  /usr/bin/time -v -o "$report" "$@" >/dev/null 2>&1 || true
  awk -F: '/Maximum resident set size/ { gsub(/ /, "", $2); print $2 }' "$report"
  rm -f "$report"
}

verdict() {  # verdict VALUE LIMIT: "erreicht" when VALUE <= LIMIT
  awk -v v="$1" -v l="$2" 'BEGIN { print (v <= l ? "erreicht" : "VERFEHLT") }'
}
