#!/usr/bin/env bash
# Builds the fuzz targets (clang, libFuzzer, AddressSanitizer, UndefinedBehaviorSanitizer) and runs each for a while
# from its committed seed corpus in fuzz/corpus/<target>/. New inputs the fuzzer finds stay in the build folder.
# Usage: scripts/fuzz.sh BUILD_FOLDER SECONDS [target...]
# Prints, last, one line per target: "fuzz <target>: <runs> runs, <crashes> crashes"; fails when any crashed.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(dirname "$here")
build=$1
seconds=$2
shift 2
targets=("$@")
[[ ${#targets[@]} -gt 0 ]] || targets=(settings command_line linux_command_line raster snow_frame wallpaper)

cmake -S "$root/fuzz" -B "$build" -G Ninja -DCMAKE_CXX_COMPILER="${FUZZ_CXX:-clang++-14}" >/dev/null
cmake --build "$build" -j "${JOBS:-2}"

summary=()
failed=0
for target in "${targets[@]}"; do
  work="$build/run/$target"
  rm -rf "$work"
  mkdir -p "$work/corpus" "$work/findings"
  log="$work/fuzz.log"
  # The first folder takes what the run finds; the committed seeds are only read.
  "$build/fuzz_$target" -max_total_time="$seconds" -timeout=25 -rss_limit_mb=2048 -print_final_stats=1 \
    -artifact_prefix="$work/findings/" "$work/corpus" "$root/fuzz/corpus/$target" >"$log" 2>&1 || true
  runs=$(sed -n 's/^stat::number_of_executed_units: *\([0-9]*\).*/\1/p' "$log" | tail -n1)
  crashes=$(find "$work/findings" -type f | wc -l)
  if [[ -z $runs ]]; then  # the run did not get as far as its statistics
    runs=0
    [[ $crashes -gt 0 ]] || crashes=1
  fi
  if [[ $crashes -gt 0 ]]; then
    failed=1
    echo "---- fuzz_$target found a fault; its input is in $work/findings/ ----"
    grep -v -e '^#' -e '^INFO' -e 'NEW_FUNC' "$log" | tail -n 40
  fi
  summary+=("fuzz $target: $runs runs, $crashes crashes")
done
printf '%s\n' "${summary[@]}"
exit $failed
