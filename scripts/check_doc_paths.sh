#!/usr/bin/env bash
# Every link and every repository path named in README.md, CHANGELOG.md and docs/*.md must exist, so a file moved or
# renamed cannot leave the documentation pointing nowhere. Paths with placeholders (<version>, *) are not checked.
# Usage: scripts/check_doc_paths.sh [REPOSITORY_ROOT]
set -u  # a document without links or paths makes grep fail, which is no error here
root=${1:-$(dirname "$(cd "$(dirname "$0")" && pwd)")}
cd "$root"
problems=$(
for doc in README.md CHANGELOG.md docs/*.md; do
  [[ -f $doc ]] || continue
  base=$(dirname "$doc")
  # Markdown links and pictures, relative to the document; then paths in backticks, relative to the repository.
  {
    grep -o '](\([^)#]*\)' "$doc" | sed 's/^](//' | grep -v '^[a-z]*:' | grep -v '^$' |
      while read -r link; do
        if [[ $base == . ]]; then echo "$link"; else realpath -m --relative-to=. "$base/$link"; fi
      done
    grep -o '`[^` ]*`' "$doc" | tr -d '`' |
      grep -E '^(src|scripts|tests|tools|docs|bench|fuzz|installer|resources|cmake|\.ci)/|^(CMakeLists\.txt|Makefile|LICENSE|THIRD_PARTY_NOTICES\.txt|README\.md|CHANGELOG\.md)$' |
      sed 's/:[0-9]*$//'
  } | grep -v '[<>*]' | sort -u | while read -r path; do
    if [[ ! -e $path ]]; then
      echo "$doc: names $path, which does not exist"
    fi
  done
done
)
if [[ -n $problems ]]; then
  echo "$problems" >&2
  exit 1
fi
echo "documentation paths: all exist"
