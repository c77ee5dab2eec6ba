#!/usr/bin/env bash
# Writes one release's section of CHANGELOG.md (Keep a Changelog form, "## [VERSION] - DATE") as the release notes.
# Fails, naming the version, when the changelog has no section for it: a release without notes is a mistake.
# Usage: scripts/release_notes.sh VERSION CHANGELOG OUTPUT_FILE
set -euo pipefail
[[ $# -eq 3 ]] || { echo "usage: $0 VERSION CHANGELOG OUTPUT_FILE" >&2; exit 2; }
version=$1 changelog=$2 output=$3

# The section runs from its heading to the next release's heading or the link definitions at the end; blank lines
# at its end are dropped.
notes=$(awk -v want="$version" '
  /^## \[/ { inside = (index($0, "## [" want "]") == 1); if (inside) found = 1; next }
  /^\[[^]]+\]: / { inside = 0 }
  inside { print }
  END { exit found ? 0 : 3 }
' "$changelog") || {
  echo "release notes: $changelog has no section \"## [$version]\"; add one before making the release" >&2
  exit 1
}
notes=$(printf '%s\n' "$notes" | sed -e '/./,$!d')  # no blank lines at the start either
{
  echo "# Nivora $version"
  echo
  printf '%s\n' "$notes"
} >"$output"
