#!/usr/bin/env bash
# Fails when a saver to be shipped carries a test seam or imports a library that Windows would look for beside it.
# The seams' names are every wide string of src/win32/readback_protocol.h (environment variables, the message, the
# mapping), looked for as UTF-16 and as ASCII; the allowed imports are Windows' KnownDLLs.
# Usage: scripts/check_shipped.sh SAVER...
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
mapfile -t hooks < <(grep -o 'L"[^"]*"' "$root/src/win32/readback_protocol.h" | sed 's/^L"\(.*\)"$/\1/; s/\\\\/\\/g')
[[ ${#hooks[@]} -ge 3 ]] || { echo "check_shipped: no seam names found in readback_protocol.h" >&2; exit 1; }
known='^(advapi32|combase|comdlg32|gdi32|gdiplus|imm32|kernel32|msvcrt|ole32|oleaut32|rpcrt4|sechost|shell32|shlwapi|user32|ws2_32)\.dll$'

status=0
for saver in "$@"; do
  for hook in "${hooks[@]}"; do
    if strings -a -el "$saver" | grep -qF -- "$hook" || strings -a "$saver" | grep -qF -- "$hook"; then
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
