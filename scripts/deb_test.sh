#!/usr/bin/env bash
# The Debian package is never made of a nivora that cannot draw on both displays: deb.sh refuses a program whose
# --version names only one, with a line that says why.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
status=0
for displays in "X11" "Wayland"; do
  mkdir -p "$work/$displays/bin" "$work/$displays/generated"
  echo '#define NIVORA_VERSION_STRING "1.0.0"' >"$work/$displays/generated/nivora_version.h"
  printf '#!/bin/sh\necho "nivora 1.0.0 (%s)"\n' "$displays" >"$work/$displays/bin/nivora"
  chmod +x "$work/$displays/bin/nivora"
  if said=$("$here/deb.sh" "$work/$displays" "$work/out" 2>&1); then
    echo "deb_test: deb.sh packaged a nivora for $displays alone"
    status=1
  elif [[ $said != *"draws on nivora 1.0.0 ($displays) only; the package needs X11 and Wayland"* ]]; then
    echo "deb_test: deb.sh refused a nivora for $displays alone, but said: $said"
    status=1
  fi
  if compgen -G "$work/out/*.deb" >/dev/null; then
    echo "deb_test: a package was left in the output folder"
    status=1
  fi
done
[[ $status -eq 0 ]] && echo "deb_test: a nivora for one display alone is refused"
exit $status
