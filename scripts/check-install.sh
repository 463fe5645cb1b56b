#!/bin/sh
# Installs a build into a scratch DESTDIR and checks that every file of the desktop application
# lands where the desktop and man expect it. Usage: check-install.sh BUILD_DIR
set -eu
build=$1
stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT

DESTDIR="$stage" cmake --install "$build" --prefix /usr >/dev/null
root="$stage/usr"
status=0
for f in bin/sonaro bin/sonaro-convert \
         share/applications/sonaro.desktop \
         share/icons/hicolor/scalable/apps/sonaro.svg \
         share/sonaro/help/index.html share/sonaro/help/settings.html \
         share/man/man1/sonaro.1 share/man/man1/sonaro-convert.1; do
    if [ ! -f "$root/$f" ]; then
        echo "missing: $f"
        status=1
    fi
done
if [ -n "$(find "$stage" -path "$root" -prune -o -type f -print)" ]; then
    echo "files installed outside the prefix"
    status=1
fi
desktop="$root/share/applications/sonaro.desktop"
grep -qx 'Exec=sonaro %f' "$desktop" || { echo "bad Exec line"; status=1; }
grep -qx 'MimeType=audio/vnd.wave;audio/wav;audio/x-wav;' "$desktop" || {
    echo "bad MimeType line"; status=1; }
if command -v desktop-file-validate >/dev/null; then
    desktop-file-validate "$desktop" || status=1
fi
for page in sonaro sonaro-convert; do
    warnings=$(groff -man -Tutf8 -ww -z "$root/share/man/man1/$page.1" 2>&1)
    if [ -n "$warnings" ]; then
        echo "man page $page: $warnings"
        status=1
    fi
done
[ $status -eq 0 ] && echo "install layout ok"
exit $status
