#!/usr/bin/env bash
# Fails when a saver to be shipped carries a test seam or imports a library that Windows would look for beside it.
# The seams' names are every wide string of src/win32/readback_protocol.h (the messages, the environment variables,
# the mapping), looked for as UTF-16 and as ASCII; the allowed imports are Windows' KnownDLLs.
# With --test-build, every name must first be found in that test build of the saver: a name the search cannot see
# there would pass unseen in a shipped saver too.
# Usage: scripts/check_shipped.sh [--test-build TEST_SAVER] SAVER...
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
mapfile -t hooks < <(grep -o 'L"[^"]*"' "$root/src/win32/readback_protocol.h" | sed 's/^L"\(.*\)"$/\1/; s/\\\\/\\/g')
[[ ${#hooks[@]} -ge 3 ]] || { echo "check_shipped: no seam names found in readback_protocol.h" >&2; exit 1; }

# grep reads all of it (no -q): with pipefail, a grep that stops at the first match would let strings die of SIGPIPE
# and the pipeline fail, so that a name found early in a large program would count as missing.
carries() {  # $1 = program, $2 = name
  strings -a -el "$1" | grep -F -- "$2" >/dev/null || strings -a "$1" | grep -F -- "$2" >/dev/null
}

status=0
if [[ ${1:-} == --test-build ]]; then
  test_build=${2:?check_shipped: --test-build needs a saver}
  shift 2
  for hook in "${hooks[@]}"; do
    if ! carries "$test_build" "$hook"; then
      echo "check_shipped: the test build $test_build does not carry \"$hook\": the search would miss it" >&2
      status=1
    fi
  done
fi
[[ $# -gt 0 ]] || { echo "usage: check_shipped.sh [--test-build TEST_SAVER] SAVER..." >&2; exit 2; }

known='^(advapi32|combase|comdlg32|gdi32|gdiplus|imm32|kernel32|msvcrt|ole32|oleaut32|rpcrt4|sechost|shell32|shlwapi|user32|ws2_32)\.dll$'

for saver in "$@"; do
  for hook in "${hooks[@]}"; do
    if carries "$saver" "$hook"; then
      echo "check_shipped: $saver carries the test seam \"$hook\"" >&2
      status=1
    fi
  done
  while read -r dll; do
    if ! [[ ${dll,,} =~ $known ]]; then
      echo "check_shipped: $saver imports $dll, which is not a KnownDLL" >&2
      status=1
    fi
  done < <(objdump -p "$saver" | sed -n 's/^\s*DLL Name: //p')
done
exit $status
