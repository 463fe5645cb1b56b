#!/bin/sh
# Installs a build under two prefixes in a scratch DESTDIR and checks each install: every file of
# the desktop application lands where the desktop and man expect it, nothing lands outside the
# prefix, and the installed programs find their codec directory and their decoder program, link no
# decoding library themselves, and run without a display.
# Usage: check-install.sh BUILD_DIR
set -eu
build=$1
sample=$(cd "$(dirname "$0")/.." && pwd)/resources/sample/sample.wav
stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
stage=$(cd "$stage" && pwd -P)  # the programs see their own path with links resolved
status=0

fail() {
    echo "$prefix: $*"
    status=1
}

check_files() {
    for f in bin/sonaro bin/sonaro-convert libexec/sonaro/sonaro-decoder \
             share/applications/sonaro.desktop \
             share/metainfo/io.github.sonaro.sonaro.metainfo.xml \
             share/icons/hicolor/scalable/apps/sonaro.svg \
             share/sonaro/help/index.html share/sonaro/help/settings.html \
             share/sonaro/help/batch.html \
             share/man/man1/sonaro.1.gz share/man/man1/sonaro-convert.1.gz \
             share/doc/sonaro/copyright share/doc/sonaro/changelog.gz; do
        [ -f "$root/$f" ] || fail "missing: $f"
    done
    for size in 16 22 24 32 48 64 128 256; do
        png="$root/share/icons/hicolor/${size}x$size/apps/sonaro.png"
        file "$png" | grep -q ": PNG image data, $size x $size," || fail "no $size px icon"
    done
    if [ -n "$(find "$dest" -path "$root" -prune -o -type f -print)" ]; then
        fail "files installed outside the prefix"
    fi
    desktop="$root/share/applications/sonaro.desktop"
    grep -qx 'Exec=sonaro %F' "$desktop" || fail "bad Exec line"
    grep -qx 'MimeType=audio/vnd.wave;audio/wav;audio/x-wav;' "$desktop" || fail "bad MimeType line"
    desktop-file-validate "$desktop" || fail "desktop entry not valid"
    appstreamcli validate --no-net --pedantic "$root/share/metainfo/"*.metainfo.xml >/dev/null ||
        fail "AppStream metadata not valid"
    for page in sonaro sonaro-convert; do
        warnings=$(gzip -dc "$root/share/man/man1/$page.1.gz" | groff -man -Tutf8 -ww -z 2>&1)
        [ -z "$warnings" ] || fail "man page $page: $warnings"
    done
}

# A library in the installed codec directory that is no driver is named as skipped: the installed
# program searched the directory below its own prefix.
check_programs() {
    codecs=$(find "$root" -type d -path '*/sonaro/codecs')
    [ -n "$codecs" ] || { fail "no codec directory"; return; }
    echo "not a library" >"$codecs/junk.so"
    errors=$(env -u SONARO_CODEC_PATH "$root/bin/sonaro-convert" --info "$sample" 2>&1 >/dev/null)
    rm "$codecs/junk.so"
    case "$errors" in
        *"codec driver $codecs/junk.so skipped"*) ;;
        *) fail "the installed codec directory $codecs was not searched: $errors" ;;
    esac
    check_import
    env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$root/bin/sonaro" --version \
        >/dev/null || fail "sonaro --version failed without a display"
}

# A FLAC file made from the sample imports to the bytes that the sample converts to, through the
# decoder program below the prefix (the programs themselves link no decoding library): without
# it, the import names that program.
check_import() {
    decoder="$root/libexec/sonaro/sonaro-decoder"
    for program in sonaro sonaro-convert; do
        if readelf -d "$root/bin/$program" | grep NEEDED | grep -qE 'sndfile|soxr|seccomp'; then
            fail "$program links a decoding library"
        fi
    done
    "$root/bin/sonaro-convert" -q "$sample" -o "$stage/plain.wav"
    "$root/bin/sonaro-convert" -q --import "$stage/sample.flac" -o "$stage/imported.wav" &&
        cmp -s "$stage/plain.wav" "$stage/imported.wav" || fail "sonaro-convert --import failed"
    mv "$decoder" "$stage/away"
    errors=$("$root/bin/sonaro-convert" -q --import "$stage/sample.flac" -o "$stage/x.wav" 2>&1) &&
        fail "imported without its decoder"
    mv "$stage/away" "$decoder"
    case "$errors" in
        *"The decoder program $decoder cannot be started"*) ;;
        *) fail "the installed decoder $decoder was not looked for: $errors" ;;
    esac
}

sox "$sample" "$stage/sample.flac"
for prefix in /usr /opt/sonaro; do
    dest="$stage/$(echo "$prefix" | tr / _)"
    root="$dest$prefix"
    DESTDIR="$dest" cmake --install "$build" --prefix "$prefix" >/dev/null
    check_files
    check_programs
done
[ $status -eq 0 ] && echo "install layout ok under /usr and /opt/sonaro"
exit $status
