#!/bin/sh
# Checks the Debian package that make package left in a build directory: lintian reports no error
# or warning, the dependencies came from the binaries (the decoder program's and the SVG icon
# engine's among them), the decoder is in it, each desktop's run-time pieces are recommended (the
# Wayland plugin, the accessibility bus, a session bus), and the desktop entry and AppStream
# metadata it ships are valid. Usage: check-package.sh BUILD_DIR
set -eu
build=$1
set -- "$build"/sonaro_*.deb
[ $# -eq 1 ] && [ -f "$1" ] || { echo "check-package: not one package in $build: $*" >&2; exit 1; }
deb=$1
tree=$(mktemp -d)
trap 'rm -rf "$tree"' EXIT
status=0

echo "== $deb"
dpkg-deb --field "$deb" Package Version Architecture Depends Recommends
lintian --fail-on error,warning --display-info "$deb" || status=1
dpkg-deb --field "$deb" Depends | grep -q 'libqt6widgets6 (>=' ||
    { echo "check-package: the dependencies were not read from the binaries"; status=1; }
for library in libseccomp2 libsndfile1 libsoxr0; do
    dpkg-deb --field "$deb" Depends | grep -q "$library (>=" ||
        { echo "check-package: no dependency on $library"; status=1; }
done
dpkg-deb --field "$deb" Depends | grep -q 'libqt6svg6 (>=' ||
    { echo "check-package: no dependency on libqt6svg6 (the SVG icon engine)"; status=1; }
for recommended in qt6-qpa-plugins qt6-wayland at-spi2-core 'default-dbus-session-bus | dbus-session-bus'; do
    dpkg-deb --field "$deb" Recommends | grep -qF "$recommended" ||
        { echo "check-package: $recommended is not recommended"; status=1; }
done
dpkg-deb --extract "$deb" "$tree"
desktop-file-validate "$tree/usr/share/applications/sonaro.desktop" || status=1
appstreamcli validate --no-net "$tree/usr/share/metainfo/"*.metainfo.xml || status=1
[ -n "$(find "$tree/usr/lib" -type d -path '*/sonaro/codecs')" ] ||
    { echo "check-package: no codec directory"; status=1; }
[ -x "$tree/usr/libexec/sonaro/sonaro-decoder" ] ||
    { echo "check-package: no decoder program"; status=1; }
[ $status -eq 0 ] && echo "check-package: $deb ok"
exit $status
