#!/usr/bin/env bash
# Installs what building, running and testing Nivora needs on Debian 12, when it is missing.
# Usage: scripts/deps.sh [all|deb]   all (the default): everything `make test` uses; deb: only what building the
# Debian package needs (`make deb`), no Wine, MinGW or test tools.
set -euo pipefail
target=${1:-all}
[[ $target == all || $target == deb ]] || { echo "usage: scripts/deps.sh [all|deb]" >&2; exit 2; }

# command or file that tells whether it is there : the Debian package that brings it
wanted=(
  "cmake:cmake"
  "ninja:ninja-build"
  "g++:g++"
  "x86_64-w64-mingw32-g++-posix:g++-mingw-w64-x86-64-posix"
  "i686-w64-mingw32-g++-posix:g++-mingw-w64-i686-posix"
  "wine:wine"
  "/usr/lib/wine/wine64:wine64"
  "Xvfb:xvfb"
  "xdpyinfo:x11-utils"
  "xrandr:x11-xserver-utils"
  "xhost:x11-xserver-utils"  # the GNOME picture lets nobody's nested mutter into its Xvfb
  "xdotool:xdotool"
  "strace:strace"  # the X11 tests deliver a signal at a chosen system call
  "makensis:nsis"
  "zip:zip"
  "osslsigncode:osslsigncode"
  "openssl:openssl"
  "python3:python3"  # the time-stamping server of the signing test
  "unzip:unzip"
  "import:imagemagick"  # import, not convert: a convert on the path need not be ImageMagick's
  "/usr/include/gtest/gtest.h:libgtest-dev"
  "/usr/src/googletest/CMakeLists.txt:googletest"
  "/usr/include/benchmark/benchmark.h:libbenchmark-dev"
  "/usr/include/freetype2/ft2build.h:libfreetype-dev"
  "/usr/include/zlib.h:zlib1g-dev"
  "/usr/include/png.h:libpng-dev"  # the wallpaper's decoders
  "/usr/include/jpeglib.h:libjpeg-dev"
  "/usr/include/webp/decode.h:libwebp-dev"
  "/usr/include/glib-2.0/gio/gio.h:libglib2.0-dev"  # GNOME's settings, for its wallpaper
  "/usr/share/glib-2.0/schemas/org.gnome.desktop.background.gschema.xml:gsettings-desktop-schemas"
  "/usr/include/X11/Xlib.h:libx11-dev"
  "/usr/include/X11/extensions/XShm.h:libxext-dev"
  "/usr/include/X11/extensions/Xrandr.h:libxrandr-dev"
  "/usr/include/X11/extensions/scrnsaver.h:libxss-dev"  # the idle time on X11, for --idle
  "/usr/include/systemd/sd-bus.h:libsystemd-dev"  # the session bus: GNOME's idle time, a locked session
  "/usr/share/plasma-wayland-protocols/idle.xml:plasma-wayland-protocols"  # KDE's idle protocol (sway 1.7, KWin)
  "pkg-config:pkg-config"  # how CMake finds libwayland-client
  "/usr/include/wayland-client.h:libwayland-dev"
  "wayland-scanner:libwayland-bin"
  "/usr/share/wayland-protocols/stable/viewporter/viewporter.xml:wayland-protocols"
  "sway:sway"  # the Wayland tests' compositor, headless
  "swaymsg:sway"
  "grim:grim"
  "wtype:wtype"
  "swaylock:swaylock"  # the Wayland tests' locker, which must end the saver as it takes the keyboard
  "swayidle:swayidle"  # the Wayland tests run the idle line the docs give
  "mutter:mutter"  # GNOME's compositor, headless: the idle watcher's test of GNOME's idle monitor
  "dbus-run-session:dbus-daemon"
  "kwin_wayland:kwin-wayland"  # KDE's compositor, nested in an Xvfb: the fractional scale's test
  "weston:weston"  # a compositor without the layer shell, headless: the full-screen window's test
  "/usr/libexec/xscreensaver/xscreensaver-getimage:xscreensaver"
  "xscreensaver-command:xscreensaver"
  "/usr/games/xsnow:xsnow"
  "xmllint:libxml2-utils"
  "dpkg-shlibdeps:dpkg-dev"
  "fakeroot:fakeroot"
  "lintian:lintian"
  "man:man-db"  # the manual page's check
  "/usr/share/fonts/truetype/motoya-l-maruberi/MTLmr3m.ttf:fonts-motoya-l-maruberi"
  "/usr/share/fonts/opentype/ipafont-gothic/ipag.ttf:fonts-ipafont-gothic"
  "/usr/share/fonts/truetype/liberation/LiberationSansNarrow-Bold.ttf:fonts-liberation"
  "/usr/share/wine/fonts/marlett.ttf:fonts-wine"
  "clang++-14:clang-14"
  "/usr/lib/llvm-14/lib/clang/14.0.6/lib/linux/libclang_rt.fuzzer-x86_64.a:libclang-rt-14-dev"
)

# What the Debian package is built from: the compiler, the libraries of both displays, and the packaging tools.
for_deb=(cmake ninja g++ /usr/include/freetype2/ft2build.h /usr/include/X11/Xlib.h /usr/include/X11/extensions/XShm.h
  /usr/include/X11/extensions/Xrandr.h /usr/include/X11/extensions/scrnsaver.h /usr/include/systemd/sd-bus.h
  /usr/share/plasma-wayland-protocols/idle.xml pkg-config /usr/include/wayland-client.h wayland-scanner
  /usr/share/wayland-protocols/stable/viewporter/viewporter.xml dpkg-shlibdeps lintian man /usr/include/png.h
  /usr/include/jpeglib.h /usr/include/webp/decode.h /usr/include/glib-2.0/gio/gio.h)

missing=()
for entry in "${wanted[@]}"; do
  probe=${entry%%:*} package=${entry#*:}
  if [[ $target == deb && ! " ${for_deb[*]} " =~ " $probe " ]]; then
    continue
  fi
  if [[ $probe == /* ]]; then
    [[ -e $probe ]] || missing+=("$package")
  else
    command -v "$probe" >/dev/null 2>&1 || missing+=("$package")
  fi
done
[[ ${#missing[@]} -eq 0 ]] && exit 0

sudo=""
[[ $(id -u) -eq 0 ]] || sudo="sudo"
echo "installing: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
