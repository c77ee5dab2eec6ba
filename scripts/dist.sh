#!/usr/bin/env bash
# Makes the release files from the two Windows builds: both setup programs (NSIS), the portable archive and
# SHA256SUMS, named after the project's version.
# Usage: scripts/dist.sh WIN64_BUILD_FOLDER WIN32_BUILD_FOLDER OUTPUT_FOLDER
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(dirname "$here")
build64=$(cd "$1" && pwd)
build32=$(cd "$2" && pwd)
mkdir -p "$3"
out=$(cd "$3" && pwd)

# The version CMake wrote from project(): both builds must carry the same one.
version_of() {
  sed -n 's/^#define NIVORA_VERSION_STRING "\(.*\)"$/\1/p' "$1/generated/nivora_version.h"
}
version=$(version_of "$build64")
[[ -n $version && $version == "$(version_of "$build32")" ]] || {
  echo "dist: the 64-bit build (${version:-no version}) and the 32-bit build differ in version; rebuild both" >&2
  exit 1
}

# Dates inside the release files are the last commit's, so the same sources give the same files (strip writes the
# date into each PE header).
stamp=$(git -C "$root" log -1 --format=%ct 2>/dev/null || date +%s)
export SOURCE_DATE_EPOCH=$stamp
"$here/sign.sh" --announce  # signed when SIGN_PKCS12 and SIGN_PASSWORD are set, see sign.sh
[[ -z ${SIGN_PKCS12:-} ]] || export SIGN_PKCS12=$(realpath "$SIGN_PKCS12")  # makensis signs from another folder

stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
# The release files carry no symbol tables: a quarter smaller.
mkdir -p "$stage/x64" "$stage/x86"
x86_64-w64-mingw32-strip -o "$stage/x64/nivora.scr" "$build64/bin/nivora.scr"
i686-w64-mingw32-strip -o "$stage/x86/nivora.scr" "$build32/bin/nivora.scr"
# Each saver must carry the version in its VERSIONINFO (file properties, installed-programs list).
for arch in x64 x86; do
  strings -el "$stage/$arch/nivora.scr" | grep -qxF "$version" || {
    echo "dist: $arch/nivora.scr does not carry version $version; rebuild it" >&2
    exit 1
  }
done
# What users get has no test seam and imports only KnownDLLs; the check must catch the seams of the test build.
if "$here/check_shipped.sh" "$build64/bin/nivora_test.scr" 2>/dev/null; then
  echo "dist: check_shipped.sh finds nothing in the test build; it would miss a seam" >&2
  exit 1
fi
"$here/check_shipped.sh" "$stage/x64/nivora.scr" "$stage/x86/nivora.scr"
"$here/sign.sh" "$stage/x64/nivora.scr" "$stage/x86/nivora.scr"  # before the setups and the archive pack them
touch -d "@$stamp" "$stage"/x64/nivora.scr "$stage"/x86/nivora.scr  # setup programs keep each file's date

rm -f "$out"/nivora-*-setup-x64.exe "$out"/nivora-*-setup-x86.exe "$out"/nivora-*-portable.zip "$out/SHA256SUMS"
for arch in x64 x86; do
  setup="nivora-$version-setup-$arch.exe"
  makensis -INPUTCHARSET UTF8 -V2 -DVERSION="$version" -DARCH=$arch -DSCR="$stage/$arch/nivora.scr" \
    -DROOT="$root" -DOUTFILE="$out/$setup" -DSIGN="$here/sign.sh" "$root/installer/nivora.nsi"
  echo "dist: $setup"
done

# The portable archive: both builds, to right-click and install, with the README and the licence texts.
portable="nivora-$version"
mkdir -p "$stage/$portable"
mv "$stage/x64" "$stage/x86" "$stage/$portable/"
cp "$root/README.md" "$stage/$portable/README.md"
mkdir -p "$stage/$portable/docs"
cp "$root"/docs/*.png "$root"/docs/*.md "$stage/$portable/docs/"  # the pictures and pages the README links to
cp "$root/LICENSE" "$stage/$portable/LICENSE.txt"
cp "$root/THIRD_PARTY_NOTICES.txt" "$stage/$portable/THIRD_PARTY_NOTICES.txt"
find "$stage/$portable" -exec touch -h -d "@$stamp" {} +
(cd "$stage" && find "$portable" | LC_ALL=C sort | zip -q -X -D "$out/$portable-portable.zip" -@)
echo "dist: $portable-portable.zip"

# The Debian package too, when scripts/deb.sh has built it into the same folder (make dist does, first).
deb=()
[[ -f "$out/nivora_${version}_amd64.deb" ]] && deb=("nivora_${version}_amd64.deb")
(cd "$out" && sha256sum "nivora-$version-setup-x64.exe" "nivora-$version-setup-x86.exe" \
  "$portable-portable.zip" "${deb[@]}" >SHA256SUMS)
echo "dist: SHA256SUMS"
"$here/release_notes.sh" "$version" "$root/CHANGELOG.md" "$out/RELEASE_NOTES.md"; echo "dist: RELEASE_NOTES.md"
