#!/usr/bin/env bash
# Checks scripts/release_notes.sh on a small changelog: it takes exactly the asked release's section, and fails,
# naming the version, when there is none.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
check() {  # description, then a command that must succeed
  if "${@:2}"; then echo "ok: $1"; else echo "FAILED: $1"; failures=$((failures + 1)); fi
}

cat >"$work/CHANGELOG.md" <<'CHANGES'
# Changelog

## [Unreleased]

### Added
- Something not yet released.

## [1.1.0] - 2027-01-05

### Fixed
- The second release's fix.

## [1.0.0] - 2026-12-10

### Added
- The first release.

[Unreleased]: https://example.org/compare/v1.1.0...HEAD
[1.1.0]: https://example.org/compare/v1.0.0...v1.1.0
[1.0.0]: https://example.org/releases/v1.0.0
CHANGES

cat >"$work/expected-1.1.0.md" <<'NOTES'
# Nivora 1.1.0

### Fixed
- The second release's fix.
NOTES
cat >"$work/expected-1.0.0.md" <<'NOTES'
# Nivora 1.0.0

### Added
- The first release.
NOTES

for version in 1.1.0 1.0.0; do
  check "section $version taken whole and alone" \
    bash -c "'$here/release_notes.sh' $version '$work/CHANGELOG.md' '$work/out-$version.md' &&
             diff -u '$work/expected-$version.md' '$work/out-$version.md'"
done

# A version without a section (and one that only begins like an existing one) fails and names the version.
for version in 2.0.0 1.0; do
  check "no section for $version: fails and says so" \
    bash -c "! '$here/release_notes.sh' $version '$work/CHANGELOG.md' '$work/none.md' 2>'$work/err' &&
             grep -qF '## [$version]' '$work/err'"
done

# The project's own changelog has a section for the project's version.
root=$(dirname "$here")
version=$(sed -n 's/^project(nivora VERSION \([0-9.]*\).*/\1/p' "$root/CMakeLists.txt")
check "CHANGELOG.md has notes for $version" "$here/release_notes.sh" "$version" "$root/CHANGELOG.md" "$work/own.md"

[[ $failures -eq 0 ]] || { echo "release notes: $failures check(s) failed" >&2; exit 1; }
