#!/usr/bin/env bash
# Runs one Windows program under Wine on a virtual display of its own, in a throw-away prefix.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source "$here/wine_env.sh"
work=$(mktemp -d)
trap 'stop_all; rm -rf "$work"' EXIT
start_display force
start_wine "$work/prefix"
wine "$@"
