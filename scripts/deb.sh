#!/usr/bin/env bash
# Makes the Debian package of the Linux program from the native build: nivora as an XScreenSaver module with its
# settings file, and as the command `nivora` for Wayland's idle daemons, its manual page and the command that adds it
# to XScreenSaver's list, the copyright and changelog files Debian asks for, named after the project's version; then
# checks it with lintian. The same sources give the same .deb (dates from SOURCE_DATE_EPOCH or the last commit).
# Usage: scripts/deb.sh NATIVE_BUILD_FOLDER OUTPUT_FOLDER   Set NIVORA_MAINTAINER to name the package's maintainer.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(dirname "$here")
build=$(cd "$1" && pwd)
mkdir -p "$2"
out=$(cd "$2" && pwd)

version=$(sed -n 's/^#define NIVORA_VERSION_STRING "\(.*\)"$/\1/p' "$build/generated/nivora_version.h")
[[ -n $version && -x $build/bin/nivora ]] || { echo "deb: no nivora or no version in $build; build it" >&2; exit 1; }
# The package promises both displays: a nivora built without one (a build dependency was left out on purpose) is
# no package, since `nivora --wayland` would only answer that it cannot.
displays=$("$build/bin/nivora" --version 2>/dev/null || true)
[[ $displays == *"(X11, Wayland)" ]] || {
  echo "deb: $build/bin/nivora draws on ${displays:-nothing} only; the package needs X11 and Wayland" \
    "(scripts/deps.sh deb installs what both need; build again)" >&2
  exit 1
}
stamp=${SOURCE_DATE_EPOCH:-$(git -C "$root" log -1 --format=%ct 2>/dev/null || date +%s)}
export SOURCE_DATE_EPOCH=$stamp
maintainer=${NIVORA_MAINTAINER:-"The Nivora authors <maintainers@nivora.invalid>"}
package="nivora_${version}_amd64.deb"

stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
pkg=$stage/nivora
umask 022
# XScreenSaver looks for its modules in /usr/libexec/xscreensaver and for their settings in its config folder.
install -d "$pkg/DEBIAN" "$pkg/usr/libexec/xscreensaver" "$pkg/usr/share/xscreensaver/config" \
  "$pkg/usr/share/doc/nivora" "$pkg/usr/share/man/man6" "$pkg/usr/share/nivora" "$pkg/usr/bin"
strip --strip-unneeded --remove-section=.comment --remove-section=.note -o "$pkg/usr/libexec/xscreensaver/nivora" "$build/bin/nivora"
chmod 0755 "$pkg/usr/libexec/xscreensaver/nivora"
install -m 0644 "$root/resources/xscreensaver/nivora.xml" "$pkg/usr/share/xscreensaver/config/nivora.xml"
# The manual page XScreenSaver's "Documentation..." button opens (man 6 nivora), read without a single warning.
warnings=$(LC_ALL=C.UTF-8 MANROFFSEQ='' MANWIDTH=80 man --warnings -E UTF-8 -l "$root/resources/xscreensaver/nivora.6" \
  2>&1 >/dev/null)
[[ -z $warnings ]] || { echo "$warnings" >&2; echo "deb: the manual page nivora.6 has warnings" >&2; exit 1; }
gzip -9n -c "$root/resources/xscreensaver/nivora.6" >"$pkg/usr/share/man/man6/nivora.6.gz"
# The command that adds Nivora to XScreenSaver's list in ~/.xscreensaver, and takes it out again.
install -m 0755 "$root/resources/xscreensaver/xscreensaver_programs.sh" "$pkg/usr/share/nivora/xscreensaver-programs"
# The same program on the PATH, as swayidle and hypridle run it on Wayland.
ln -s ../libexec/xscreensaver/nivora "$pkg/usr/bin/nivora"

# The copyright file in Debian's machine-readable format. The program links only to the system's shared libraries;
# what of others it carries is the inline code of the C++ standard library's headers.
{
  cat <<'HEAD'
Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/
Upstream-Name: nivora
Comment: Third-party notices: nivora is built with GCC and carries inline code of its C++ standard library headers
 (libstdc++), under the GNU General Public License version 3 with the GCC Runtime Library Exception 3.1, which
 permits distributing the program under its own terms. It links dynamically to libX11, libXext, libXrandr,
 libXss, libwayland-client, FreeType, GLib's GIO, libpng, libjpeg-turbo, libwebp and libsystemd from Debian, each
 under its own package's copyright file. Its Wayland protocol tables are generated from the protocols'
 descriptions: wlroots' layer shell (2017 Drew DeVault) and screencopy (2018 Simon Ser, 2019 Andri Yngvason),
 and wayland-protocols' viewporter, fractional scale, xdg-output, xdg-shell and ext-idle-notify (2015 Martin
 Gräßlin, 2022 Simon Ser), each under the MIT or a like permissive licence; and KDE's idle protocol (2015 Martin
 Gräßlin, from plasma-wayland-protocols), under the GNU Lesser General Public License 2.1 or later, whose text is
 in /usr/share/common-licenses/LGPL-2.1 and whose description the package plasma-wayland-protocols holds. It
 reads at run time the first of these fonts that is installed, none of which it contains: Motoya L Maruberi
 (Apache 2.0), IPAPGothic or IPAGothic (IPA Font License), DejaVu Sans Bold (Bitstream Vera licence), Liberation
 Sans Bold (SIL Open Font License 1.1).

Files: *
Copyright: 2026 The Nivora authors
License: Expat

License: Expat
HEAD
  # The MIT licence's text below its title and copyright line, as an indented block ('.' for empty lines).
  tail -n +5 "$root/LICENSE" | sed -e 's/^$/./' -e 's/^/ /'
} >"$pkg/usr/share/doc/nivora/copyright"

# A native package: its changelog, in Debian's format, names the release and where its changes are listed.
date_822=$(LC_ALL=C date -u -R -d "@$stamp")
cat >"$stage/changelog" <<CHANGES
nivora ($version) unstable; urgency=medium

  * Release $version. The changes are listed in CHANGELOG.md of the sources
    and in the release notes.

 -- $maintainer  $date_822
CHANGES
gzip -9n -c "$stage/changelog" >"$pkg/usr/share/doc/nivora/changelog.gz"

# Depends: the shared libraries the program links to, as dpkg-shlibdeps finds them, and a font for the message.
mkdir -p "$stage/shlibs/debian"
printf 'Source: nivora\n\nPackage: nivora\nArchitecture: amd64\n' >"$stage/shlibs/debian/control"
libraries=$(cd "$stage/shlibs" && dpkg-shlibdeps -O -e"$pkg/usr/libexec/xscreensaver/nivora" 2>/dev/null |
  sed -n 's/^shlibs:Depends=//p')
[[ -n $libraries ]] || { echo "deb: dpkg-shlibdeps found no libraries" >&2; exit 1; }
fonts="fonts-motoya-l-maruberi | fonts-ipafont-gothic | fonts-dejavu-core | fonts-liberation"

cat >"$pkg/DEBIAN/control" <<CONTROL
Package: nivora
Version: $version
Architecture: amd64
Maintainer: $maintainer
Installed-Size: $(du -sk --apparent-size "$pkg/usr" | cut -f1)
Depends: $libraries, $fonts
Recommends: xscreensaver
Section: x11
Priority: optional
Description: snow over the desktop that writes a message
 Nivora lets snow fall over a still, dimmed picture of the desktop. The
 snow drifts in a wind that changes by itself, sways as it falls, and
 settles on the letters of a message, so that the message is slowly
 written in snow.
 .
 It runs as an XScreenSaver module (add it to XScreenSaver's list with
 /usr/share/nivora/xscreensaver-programs add, then choose Nivora in
 XScreenSaver's settings), on Wayland compositors with the layer shell
 (sway, Hyprland, river, labwc, KDE Plasma) started by an idle daemon, or
 as a program of its own: nivora.
CONTROL
(cd "$pkg" && find usr -type f | LC_ALL=C sort | xargs md5sum) >"$pkg/DEBIAN/md5sums"
chmod 0644 "$pkg/DEBIAN/control" "$pkg/DEBIAN/md5sums"

find "$pkg" -exec touch -h -d "@$stamp" {} +
rm -f "$out"/nivora_*_amd64.deb
dpkg-deb --root-owner-group -Zxz --build "$pkg" "$out/$package" >/dev/null
echo "deb: $package"
# What was packed runs: the program's usage, from the package's own files.
dpkg-deb -x "$out/$package" "$stage/unpacked"
"$stage/unpacked/usr/libexec/xscreensaver/nivora" --version >/dev/null || {
  echo "deb: the nivora in $package does not run" >&2
  exit 1
}

# lintian's verdict: any error or warning fails the release. What it says at the info level is printed for the record.
report=$(lintian --fail-on error,warning --display-level '>=info' "$out/$package" 2>&1) || {
  echo "$report" >&2
  echo "deb: lintian finds errors or warnings in $package" >&2
  exit 1
}
grep -v '^running with root privileges' <<<"$report" || true
