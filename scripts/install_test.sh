#!/usr/bin/env bash
# Tests the 64-bit setup program under Wine as a user's machine would meet it: silent install, the installed saver
# run full screen and ended by the mouse, a second install over the first, silent uninstalls with and without
# removing the settings. Prints every check; fails when any fails. Given the certificate authority of a signed release
# (made by sign_test.sh), it also checks the signatures of the installed saver and of the uninstaller, which exists
# as a file only once installed.
# Usage: scripts/install_test.sh DIST_FOLDER [OUTPUT_FOLDER for the screenshot of the installed saver [CA_FILE]]
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
dist=$(cd "$1" && pwd)
output=${2:-}
ca=${3:+$(cd "$(dirname "$3")" && pwd)/$(basename "$3")}
source "$here/wine_env.sh"

setups=("$dist"/nivora-*-setup-x64.exe)
[[ ${#setups[@]} -eq 1 && -f ${setups[0]} ]] || { echo "install test: want one nivora-*-setup-x64.exe in $dist" >&2; exit 1; }
setup=${setups[0]}
version=$(basename "$setup")
version=${version#nivora-}
version=${version%-setup-x64.exe}
portable="$dist/nivora-$version-portable.zip"

work=$(mktemp -d)
trap 'stop_all; rm -rf "$work"' EXIT
start_display force
start_wine "$work/prefix"

drive_c="$WINEPREFIX/drive_c"
sysdir_unix="$drive_c/windows/system32"
instdir_unix="$drive_c/Program Files/Nivora"
sysdir='C:\windows\system32'
instdir='C:\Program Files\Nivora'
uninstall_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Nivora'
desktop_key='HKCU\Control Panel\Desktop'
settings_key='HKCU\Software\Nivora\Settings'

source "$here/checks.sh"

# Values of one registry key as "name<TAB>type<TAB>data" lines (nothing when the key is missing).
reg_values() {
  wine reg query "$1" 2>/dev/null | tr -d '\r' | sed -n 's/^    \(.*\)    \(REG_[A-Z_]*\)    \(.*\)$/\1\t\2\t\3/p' || true
}
# Data of one value from the lines of reg_values in $values; fails when the value is missing.
value_of() {
  awk -F'\t' -v name="$1" 'tolower($1) == tolower(name) { print $3; found = 1 } END { exit !found }' <<<"$values"
}
equals() {
  local found
  found=$(value_of "$1") || found="(missing)"
  [[ $found == "$2" ]] || { echo "        $1 is $found" >&2; return 1; }
}
equals_nocase() {
  local found
  found=$(value_of "$1") || found="(missing)"
  [[ ${found,,} == "${2,,}" ]] || { echo "        $1 is $found" >&2; return 1; }
}
absent() { ! value_of "$1" >/dev/null; }
key_exists() { wine reg query "$1" >/dev/null 2>&1; }
key_missing() { ! key_exists "$1"; }
same_file() { cmp -s "$1" "$2"; }
signed() { osslsigncode verify -CAfile "$ca" -in "$1" >/dev/null 2>&1; }

# The saver of the release, as the portable archive holds it: the setup must install exactly this file.
unzip -p "$portable" "nivora-$version/x64/nivora.scr" >"$work/expected.scr"

check_installed() {
  echo "files:"
  check "system32\\nivora.scr is the release's 64-bit saver" same_file "$sysdir_unix/nivora.scr" "$work/expected.scr"
  check "no 32-bit copy in syswow64" test ! -e "$drive_c/windows/syswow64/nivora.scr"
  check "Program Files\\Nivora holds uninstall.exe, LICENSE.txt, THIRD_PARTY_NOTICES.txt and nothing else" \
    test "$(cd "$instdir_unix" && ls | LC_ALL=C sort | tr '\n' ' ')" == "LICENSE.txt THIRD_PARTY_NOTICES.txt uninstall.exe "
  echo "uninstall entry $uninstall_key:"
  values=$(reg_values "$uninstall_key")
  check "DisplayName = Nivora" equals DisplayName "Nivora"
  check "DisplayVersion = $version" equals DisplayVersion "$version"
  check "Publisher is set" test -n "$(value_of Publisher)"
  check "DisplayIcon = $sysdir\\nivora.scr,0" equals_nocase DisplayIcon "$sysdir\\nivora.scr,0"
  local size_kb=$(( ($(stat -c %s "$sysdir_unix/nivora.scr") + $(du -cb "$instdir_unix"/* | tail -n1 | cut -f1)) / 1024 ))
  check "EstimatedSize is the installed files' size in KB (about $size_kb)" \
    test $(( $(value_of EstimatedSize) )) -ge $((size_kb - 8)) -a $(( $(value_of EstimatedSize) )) -le $((size_kb + 8))
  check "UninstallString = \"$instdir\\uninstall.exe\"" equals_nocase UninstallString "\"$instdir\\uninstall.exe\""
  check "QuietUninstallString = \"$instdir\\uninstall.exe\" /S" \
    equals_nocase QuietUninstallString "\"$instdir\\uninstall.exe\" /S"
  echo "screen saver $desktop_key:"
  values=$(reg_values "$desktop_key")
  check "SCRNSAVE.EXE = $sysdir\\nivora.scr" equals_nocase SCRNSAVE.EXE "$sysdir\\nivora.scr"
  check "ScreenSaveActive = 1" equals ScreenSaveActive 1
}

check_uninstalled() {  # $1 = what SCRNSAVE.EXE must be now ("" for none)
  echo "files:"
  check "system32\\nivora.scr is gone" test ! -e "$sysdir_unix/nivora.scr"
  check "Program Files\\Nivora is gone" test ! -e "$instdir_unix"
  echo "registry:"
  check "uninstall entry is gone" key_missing "$uninstall_key"
  values=$(reg_values "$desktop_key")
  if [[ -z $1 ]]; then
    check "SCRNSAVE.EXE is gone (it named Nivora)" absent SCRNSAVE.EXE
    check "ScreenSaveActive = 0" equals ScreenSaveActive 0
  else
    check "SCRNSAVE.EXE still names the saver chosen since: $1" equals_nocase SCRNSAVE.EXE "$1"
  fi
}

# Runs the uninstaller as the installed-programs list does in silent mode. It copies itself to the temporary folder
# and returns at once; its work is done when its last step (the uninstall entry, or the settings when asked) is gone.
uninstall_silently() {
  wine "$instdir\\uninstall.exe" /S "$@"
  local last_key=$uninstall_key
  [[ " $* " == *" /REMOVESETTINGS "* ]] && last_key=$settings_key
  for _ in $(seq 300); do
    key_exists "$last_key" || break
    sleep 0.2
  done
  for _ in $(seq 300); do  # a minute, as long as a busy machine may take
    [[ -e $instdir_unix ]] || break
    sleep 0.2
  done
}

install_silently() {
  local status=0
  wine "$setup" /S || status=$?
  check "setup /S exits with 0" test $status -eq 0
}

echo "== 1. silent install of $(basename "$setup")"
install_silently
check_installed

if [[ -n $ca ]]; then
  echo "signatures against $(basename "$ca"):"
  check "the setup is signed" signed "$setup"
  check "system32\\nivora.scr is signed" signed "$sysdir_unix/nivora.scr"
  check "uninstall.exe is signed" signed "$instdir_unix/uninstall.exe"
fi

echo "== 2. the installed saver, full screen, left running"
wine "$sysdir\\nivora.scr" /s &
saver=$!
shown=no
for _ in $(seq 300); do  # a minute, as long as a busy machine may take
  if xwininfo -root -tree 2>/dev/null | grep -q '"Nivora MAIN"'; then shown=yes; break; fi
  sleep 0.2
done
check "the window \"Nivora MAIN\" appears" test $shown == yes
sleep 2  # some snow
if [[ -n $output ]]; then
  mkdir -p "$output"
  import -window root "$output/installed-saver.png"
  snow=$(convert "$output/installed-saver.png" -colorspace gray -threshold 60% -format '%[fx:mean>0]' info:)
  check "the screen shows snow (saved as installed-saver.png)" test "$snow" == 1
fi

echo "== 3. install again over it while it runs, with settings stored and a damaged installation"
wine reg add "$settings_key" /v velocity /d 9 /f >/dev/null 2>&1
rm -f "$instdir_unix/LICENSE.txt"
old_file=$(stat -c %i "$sysdir_unix/nivora.scr")
install_silently
check_installed
check "system32\\nivora.scr was replaced, not skipped, although the saver holds it" \
  test "$(stat -c %i "$sysdir_unix/nivora.scr")" != "$old_file"
for aside in "$sysdir_unix"/ns*.tmp; do
  [[ -e $aside ]] && echo "        the running saver's file was moved aside to $(basename "$aside") for the next restart"
done
values=$(reg_values "$settings_key")
check "the user's settings are kept (velocity = 9)" equals velocity 9

echo "== 4. the saver that ran through the installation"
# As a user: the first move only arms the pointer test, the next one starts the fade, then the saver ends.
xdotool mousemove 100 100
sleep 0.3
xdotool mousemove 300 200
sleep 0.3
xdotool mousemove 500 400
ended=no
for _ in $(seq 300); do  # the fade, and up to 2 s for each window Wine hides without a window manager
  kill -0 $saver 2>/dev/null || { ended=yes; break; }
  sleep 0.2
done
check "a mouse move ends the saver" test $ended == yes
[[ $ended == yes ]] || kill $saver 2>/dev/null || true
wait $saver 2>/dev/null || true

echo "== 5. silent uninstall (QuietUninstallString)"
uninstall_silently
check_uninstalled ""
values=$(reg_values "$settings_key")
check "the user's settings are kept (velocity = 9)" equals velocity 9

echo "== 6. install, another saver chosen since, silent uninstall with /REMOVESETTINGS"
install_silently
check "installed again" test -e "$sysdir_unix/nivora.scr"
wine reg add "$desktop_key" /v SCRNSAVE.EXE /d "$sysdir\\other.scr" /f >/dev/null 2>&1
uninstall_silently /REMOVESETTINGS
check_uninstalled "$sysdir\\other.scr"
check "the user's settings are removed (HKCU\\Software\\Nivora is gone)" key_missing 'HKCU\Software\Nivora'

echo "install test: $failures failed"
[[ $failures -eq 0 ]]
