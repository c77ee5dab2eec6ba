#!/bin/bash
# Adds Nivora to the screen savers XScreenSaver offers (the programs: list of ~/.xscreensaver), or removes it again.
# Installed as /usr/share/nivora/xscreensaver-programs; run by the user, not as root.
# Usage: xscreensaver-programs add|remove [FILE]   FILE is ~/.xscreensaver unless given.
set -eu

usage() {
  echo "usage: xscreensaver-programs add|remove [FILE]" >&2
  echo "  add     puts Nivora at the top of XScreenSaver's list of screen savers (once)" >&2
  echo "  remove  takes it out of the list again" >&2
  echo "FILE is XScreenSaver's settings file, ~/.xscreensaver unless given." >&2
  exit 2
}
[ $# -ge 1 ] && [ $# -le 2 ] || usage
case $1 in add | remove) action=$1 ;; *) usage ;; esac
file=${2:-${HOME:?HOME is not set}/.xscreensaver}
# XScreenSaver's own defaults: the list it offers while the user has none of their own.
defaults=/etc/X11/app-defaults/XScreenSaver
# XScreenSaver finds its modules in its own folder, so the entry needs no path.
entry='  "Nivora"  nivora --root \n'

# A link is followed, so the file it names is changed and the link stays.
target=$(readlink -f -- "$file" 2>/dev/null || printf '%s' "$file")

# The programs: setting of the file: its first line, and every line after it while the one before ends with a
# backslash (a continued line). Each entry of the list is one such line ending in \n.
edit() {  # edit add|remove < old > new
  NIVORA_ENTRY=$entry awk -v action="$1" -v defaults="$defaults" '
    # The entry of Nivora runs the program nivora: the command of the entry, after the mark of a disabled entry
    # ("-"), a visual ("GL:") and the name shown ("Nivora"), is nivora, with or without a folder. Another program
    # whose name or arguments hold the word is not Nivora.
    function nivora(line) {
      sub(/^[[:space:]]*-?[[:space:]]*/, "", line)
      sub(/^[[:alnum:]_-]+:[[:space:]]*/, "", line)
      sub(/^"[^"]*"[[:space:]]*/, "", line)
      return line ~ /^([^[:space:]"]*\/)?nivora([[:space:]]|\\|$)/
    }
    function continued(line) { return line ~ /\\[[:space:]]*$/ }
    function uncontinued(line) { sub(/\\[[:space:]]*$/, "", line); return line }
    # Reads the block that starts at lines[first] into head (the "programs:" line without an entry) and
    # items[1..n] (the entries, without their continuing backslashes); returns the line after the block.
    function take(first,   i, rest, more) {
      head = lines[first]; sub(/^\*/, "", head)
      rest = head; sub(/^[^:]*programs:/, "", rest)
      more = continued(rest)
      n = 0
      if (rest ~ /[^[:space:]\\]/) {  # an entry on the first line itself
        items[++n] = uncontinued(rest)
        sub(/programs:.*/, "programs:\t", head)
      } else {
        head = uncontinued(head)
      }
      for (i = first + 1; more && i <= count; ++i) {
        items[++n] = uncontinued(lines[i])
        more = continued(lines[i])
      }
      return i
    }
    # Writes the block back: Nivora first when added, gone when removed, every entry but the last continued. A
    # block of the file (lines[from..to-1]) that needs no change is written as it was.
    function put(   i, m, has) {
      m = 0; has = 0
      for (i = 1; i <= n; ++i) {
        has = has || nivora(items[i])
        if (!(action == "remove" && nivora(items[i]))) items[++m] = items[i]
      }
      n = m
      if (has == (action == "add") && from) {  # nothing to change: the block as it was, byte for byte
        for (i = from; i < to; ++i) print lines[i]
        done = 1
        return
      }
      if (action == "add" && !has) {
        for (i = n; i >= 1; --i) items[i + 1] = items[i]
        items[1] = ENVIRON["NIVORA_ENTRY"]; ++n
      }
      print (n > 0 ? head "\\" : head)
      for (i = 1; i <= n; ++i) print (i < n ? items[i] "\\" : items[i])
      done = 1
    }
    { lines[++count] = $0 }
    END {
      for (i = 1; i <= count;) {
        if (!done && lines[i] ~ /^[[:space:]]*programs:/) { from = i; i = to = take(i); put(); continue }
        print lines[i++]
      }
      if (done || action == "remove") exit 0
      # No list of their own yet: XScreenSaver offers its defaults, so the new list is those and Nivora.
      count = 0; from = 0
      while ((getline line < defaults) > 0) lines[++count] = line
      for (i = 1; i <= count; ++i) if (lines[i] ~ /^\*programs:/) { take(i); put(); exit 0 }
      head = "programs:\t"; n = 0; put()
    }'
}

# Written beside the file and moved over it in one step: XScreenSaver, which rereads the file when it changes,
# sees the old or the new one, never half of it.
dir=$(dirname -- "$target")
new=$(mktemp "$dir/.xscreensaver.XXXXXX")
trap 'rm -f "$new"' EXIT
if [ -e "$target" ]; then
  edit "$action" <"$target" >"$new"
  chmod --reference="$target" "$new" 2>/dev/null || true
  if cmp -s "$target" "$new"; then
    echo "xscreensaver-programs: $file already has what was asked; left as it was"
    exit 0
  fi
elif [ "$action" = remove ]; then
  echo "xscreensaver-programs: no $file; nothing to remove"
  exit 0
else
  edit add </dev/null >"$new"
  chmod 0644 "$new"
fi
mv -f -- "$new" "$target"
trap - EXIT
case $action in
  add) echo "xscreensaver-programs: Nivora added to $file; choose it in xscreensaver-settings" ;;
  remove) echo "xscreensaver-programs: Nivora removed from $file" ;;
esac
