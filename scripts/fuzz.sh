#!/usr/bin/env bash
# Runs a fuzz target for a while: builds the libFuzzer targets with clang,
# AddressSanitizer and UndefinedBehaviorSanitizer in build/asan, fuzzes from
# the seeds in tests/fuzz/corpus/TARGET (new inputs go to
# build/fuzz-corpus/TARGET, the committed seeds stay as they are), and stops
# at the first finding with a non-zero status, the input that caused it
# saved in tests/fuzz/regressions/TARGET/ (commit it with the fix: the
# replay test then runs it in every build).
#
#   bash scripts/fuzz.sh form            # one target, 300 s
#   bash scripts/fuzz.sh project 3600
#   bash scripts/fuzz.sh all 30          # every target 30 s, as CI does
#
# Targets: form, project, command_line, posix_names, code_scanner.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$here"

all_targets=(form project command_line posix_names code_scanner)
usage="usage: bash scripts/fuzz.sh TARGET|all [SECONDS]   (targets: ${all_targets[*]})"
target=${1:-}
seconds=${2:-300}
[ -n "$target" ] || { echo "$usage" >&2; exit 2; }
[[ "$seconds" =~ ^[0-9]+$ ]] || { echo "$usage" >&2; exit 2; }
if [ "$target" = all ]; then
  targets=("${all_targets[@]}")
elif [[ " ${all_targets[*]} " == *" $target "* ]]; then
  targets=("$target")
else
  echo "$usage" >&2
  exit 2
fi
command -v clang++ >/dev/null || { echo "fuzz.sh needs clang and libfuzzer-14-dev (scripts/install-deps.sh)" >&2; exit 1; }

if [ ! -f build/asan/CMakeCache.txt ]; then
  CC=clang CXX=clang++ cmake -S . -B build/asan -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DXPC_SANITIZE=ON -DXPC_FUZZ=ON -DXPC_WERROR="${XPC_WERROR:-OFF}" >/dev/null
fi
cmake --build build/asan -j "$(nproc)" --target "${targets[@]/#/fuzz_}"

export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
for t in "${targets[@]}"; do
  echo "== Fuzzing $t for $seconds s"
  mkdir -p "build/fuzz-corpus/$t" "tests/fuzz/regressions/$t"
  # -timeout: one input taking 10 s is a finding; -rss_limit_mb: so is
  # memory beyond 2 GB. A form input runs the job 32 times and more, so its
  # inputs are kept to 2 KB (seeds are cut there), for more runs per second.
  max_len=()
  [ "$t" = form ] && max_len=(-max_len=2048)
  if ! "build/asan/tests/fuzz/fuzz_$t" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 "${max_len[@]}" \
      -artifact_prefix="tests/fuzz/regressions/$t/" -print_final_stats=1 \
      "build/fuzz-corpus/$t" "tests/fuzz/corpus/$t" 2>"build/fuzz-$t.log"; then
    tail -n 60 "build/fuzz-$t.log" >&2
    echo "fuzz.sh: $t found a failing input; it is in tests/fuzz/regressions/$t/ (full log: build/fuzz-$t.log)" >&2
    exit 1
  fi
  grep -E "^(Done|stat::number_of_executed_units)" "build/fuzz-$t.log" || true
done
