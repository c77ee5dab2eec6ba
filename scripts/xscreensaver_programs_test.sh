#!/usr/bin/env bash
# Checks the command that adds Nivora to XScreenSaver's list (resources/xscreensaver/xscreensaver_programs.sh): from
# no settings file, and in one XScreenSaver wrote, it adds Nivora once and keeps everything else; remove takes out
# exactly that; the file is replaced whole, keeps its mode and stays a link's target; XScreenSaver's own
# continued-line form holds, so no other setting is swallowed into the list.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
tool=$(dirname "$here")/resources/xscreensaver/xscreensaver_programs.sh
defaults=/etc/X11/app-defaults/XScreenSaver
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# shellcheck source=scripts/checks.sh
source "$here/checks.sh"
export HOME=$work/home
mkdir -p "$HOME"

# The entries of the programs: setting, one a line, as XScreenSaver reads it: continued lines joined, split at \n.
programs() {
  awk '/^programs:/ { on = 1 } on { line = $0; more = sub(/\\$/, "", line); text = text line; if (!more) exit }
       END { sub(/^programs:/, "", text); n = split(text, e, /\\n/)
             for (i = 1; i <= n; ++i) { gsub(/^[[:space:]]+|[[:space:]]+$/, "", e[i]); if (e[i] != "") print e[i] } }' "$1"
}
# The other settings, each continued line joined to its first.
others() { awk '{ line = $0; more = sub(/\\$/, "", line); text = text line } !more { print text; text = "" }' "$1" | grep -v '^programs:'; }
default_programs() {
  sed -n '/^\*programs:/,$p' "$defaults" | sed 's/^\*//' >"$work/defaults-only"
  programs "$work/defaults-only"
}
nivora_entry='"Nivora"  nivora --root'

echo "== no settings file yet"
"$tool" add >/dev/null
file=$HOME/.xscreensaver
check "the file is made" test -f "$file"
check "Nivora is the first entry" test "$(programs "$file" | head -1)" = "$nivora_entry"
check "XScreenSaver's own list follows it" test "$(programs "$file" | tail -n +2)" = "$(default_programs)"
check "the new file has the usual mode, 0644" test "$(stat -c %a "$file")" = 644
cp "$file" "$work/once"
"$tool" add >/dev/null
check "adding twice changes nothing" cmp -s "$file" "$work/once"
"$tool" remove >/dev/null
check "remove leaves XScreenSaver's own list" test "$(programs "$file")" = "$(default_programs)"
check "no Nivora left" bash -c "! grep -q nivora '$file'"

echo "== a file XScreenSaver wrote, Nivora its last entry, a setting after the list"
cat >"$file" <<'SETTINGS'
# XScreenSaver Preferences File
mode:		random
timeout:	0:10:00
programs:								      \
				maze --root				    \n\
- GL: 				superquadrics --root			    \n\
  "Nivora"  nivora --root \n

pointerHysteresis:	10
SETTINGS
chmod 0600 "$file"
cp "$file" "$work/written"
"$tool" add >/dev/null
check "an entry already there is not added again" cmp -s "$file" "$work/written"
"$tool" remove >/dev/null
check "remove keeps the other entries" test "$(programs "$file")" = $'maze --root\n- GL: \t\t\t\tsuperquadrics --root'
check "the last entry left ends the list" test "$(tail -n +4 "$file" | grep -c '\\$')" = 2
check "every other setting is kept" test "$(others "$file")" = "$(others "$work/written")"
check "the file's mode is kept" test "$(stat -c %a "$file")" = 600
"$tool" add >/dev/null
check "added again: first, the others as before" \
  test "$(programs "$file")" = $'"Nivora"  nivora --root\nmaze --root\n- GL: \t\t\t\tsuperquadrics --root'
check "every other setting is still kept" test "$(others "$file")" = "$(others "$work/written")"
cp "$file" "$work/added"
"$tool" remove >/dev/null
"$tool" add >/dev/null
check "remove then add gives the same bytes" cmp -s "$file" "$work/added"

echo "== a list that holds only Nivora, entries that only look like it, a readable file"
for only in $'programs:\t\t\\\n  "Nivora"  nivora --root \\n\n' $'programs: "Nivora" nivora --root \\n\n'; do
  printf 'mode:\trandom\n%spointerHysteresis:\t10\n' "$only" >"$file"
  "$tool" remove >/dev/null
  check "remove leaves an empty list that is not continued" test "$(grep -c '\\$' "$file")" = 0
  check "and the next setting stays a setting of its own" test "$(others "$file")" = $'mode:\trandom\npointerHysteresis:\t10'
done
# Another program named like Nivora, a title holding the word, a folder of that name: none of them is Nivora's.
cat >"$file" <<'SETTINGS'
programs:	\
  "Nivora Lookalike"  xnivora --root \n\
  nivora-classic --root \n\
  maze --root -title nivora \n\
- GL:  /opt/nivora/bin/snowglobe --root \n
SETTINGS
chmod 0644 "$file"
lookalikes=$'"Nivora Lookalike"  xnivora --root\nnivora-classic --root\nmaze --root -title nivora\n- GL:  /opt/nivora/bin/snowglobe --root'
"$tool" add >/dev/null
check "entries that only look like Nivora's do not keep it from being added" \
  test "$(programs "$file")" = "$nivora_entry"$'\n'"$lookalikes"
check "a file readable by all stays so, 0644" test "$(stat -c %a "$file")" = 644
"$tool" remove >/dev/null
check "remove takes out Nivora's entry alone" test "$(programs "$file")" = "$lookalikes"
check "and the mode stays 0644" test "$(stat -c %a "$file")" = 644

echo "== a file without a list, a disabled entry, a list on one line, a link"
printf 'mode:\tone\nselected:\t3\n' >"$file"
"$tool" add >/dev/null
check "a file without a list gets XScreenSaver's list with Nivora first" \
  test "$(programs "$file")" = "$(printf '%s\n' "$nivora_entry"; default_programs)"
check "and keeps its settings" test "$(head -2 "$file")" = $'mode:\tone\nselected:\t3'
printf 'programs: -  "Nivora" /usr/libexec/xscreensaver/nivora --root -precipitation 3 \\n\\\n  maze --root \\n\nfade: False\n' >"$file"
cp "$file" "$work/disabled"
"$tool" add >/dev/null
check "a disabled entry counts as there: not added again" cmp -s "$file" "$work/disabled"
"$tool" remove >/dev/null
check "an entry on the list's first line is removed" test "$(programs "$file")" = "maze --root"
check "and the setting after the list stays apart" test "$(others "$file")" = "fade: False"
printf 'programs: maze --root \\n\ntimeout: 0:05:00\n' >"$work/real"
ln -sf "$work/real" "$file"
"$tool" add >/dev/null
check "a link stays a link" test -L "$file"
check "its target gets the entry" test "$(programs "$work/real")" = $'"Nivora"  nivora --root\nmaze --root'
check "and keeps what follows the list" test "$(others "$work/real")" = "timeout: 0:05:00"
rm "$file"
check "remove without a file says so and succeeds" "$tool" remove
check "no file is made by remove" test ! -e "$file"
check "a wrong verb is refused with status 2" bash -c "'$tool' frobnicate 2>/dev/null; test \$? -eq 2"
check "nothing is left behind beside the file" test -z "$(find "$HOME" "$work" -maxdepth 1 -name '.xscreensaver.*')"

[[ $failures -eq 0 ]] || { echo "xscreensaver programs test: $failures check(s) failed"; exit 1; }
echo "xscreensaver programs test: all checks passed"
