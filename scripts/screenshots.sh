#!/bin/sh
# Starts the desktop application in a private desktop session as a new user would, drives it and
# captures its windows as PNGs: under X11 (Xvfb) with the keyboard, or with --wayland under a
# headless Weston, through the accessibility bus (a Wayland client cannot send another program
# keys). Usage: screenshots.sh [--wayland] BUILD_DIR OUT_DIR [INPUT.wav]
set -eu
desktop=$(cd "$(dirname "$0")/../tests/gui/desktop" && pwd)
if [ "${1:-}" = --wayland ]; then
    shift
    build=$(cd "$1" && pwd)
    mkdir -p "$2"
    out=$(cd "$2" && pwd)
    input=${3:-}
    [ -z "$input" ] || input=$(cd "$(dirname "$input")" && pwd)/$(basename "$input")
    exec sh "$desktop/desktop_session.sh" wayland /usr/bin/python3 -B \
        "$desktop/wayland_screenshots.py" "$build" "$out" "$input"
fi
# The X11 session first (Xvfb, a session bus); this script then runs again inside it.
if [ -z "${SONARO_DESKTOP_SESSION:-}" ]; then
    exec sh "$desktop/desktop_session.sh" x11 sh "$0" "$@"
fi
build=$(cd "$1" && pwd)
mkdir -p "$2"
out=$(cd "$2" && pwd)
input=${3:-}
sonaro="$build/app/sonaro"
[ -x "$sonaro" ] || { echo "screenshots: $sonaro not built" >&2; exit 1; }

work=$(mktemp -d)
pids=""
cleanup() {
    for pid in $pids; do kill "$pid" 2>/dev/null || true; done
    rm -rf "$work"
}
trap cleanup EXIT INT TERM

# A new user: an empty profile, and a private temporary directory.
export XDG_CONFIG_HOME="$work/config" TMPDIR="$work" XDG_RUNTIME_DIR="$work/runtime"
mkdir -p "$XDG_CONFIG_HOME" "$XDG_RUNTIME_DIR"
chmod 700 "$XDG_RUNTIME_DIR"

# A two-minute stereo tone, long enough for the progress window to be seen.
if [ -z "$input" ]; then
    input="$work/tone.wav"
    if command -v sox >/dev/null; then
        sox -n -r 44100 -c 2 -b 16 "$input" synth 120 sine 440 sine 660 vol 0.5
    else
        cp "$(dirname "$0")/../resources/sample/sample.wav" "$input"
    fi
fi
name=$(basename "$input")

wait_window() {  # a window whose name matches, within twenty seconds
    for _ in $(seq 400); do
        id=$(xdotool search --onlyvisible --name "$1" 2>/dev/null | head -n 1)
        [ -n "$id" ] && { echo "$id"; return 0; }
        sleep 0.05
    done
    echo "screenshots: no window named '$1'" >&2
    return 1
}
keys() {  # types keys into the window given first
    xdotool windowfocus --sync "$1" 2>/dev/null || true
    shift
    for k in "$@"; do xdotool key "$k"; sleep 0.2; done
}
shoot() {  # window id or "root", file name
    sleep 0.4
    import -window "$1" "$out/$2"
    echo "screenshots: $out/$2"
}

# 1. Started with no file.
"$sonaro" >"$work/empty.log" 2>&1 &
empty=$!
pids="$pids $empty"
main=$(wait_window '^Sonaro$')
shoot "$main" main-empty.png
keys "$main" alt+f
shoot root file-menu.png
keys "$main" Escape
keys "$main" alt+h a
about=$(wait_window '^About Sonaro$')
shoot root about.png
keys "$about" Escape
keys "$main" alt+h h
help=$(wait_window '^Sonaro Help$')
shoot "$help" help.png
kill "$empty"

# 2. Started with a file; then converted.
"$sonaro" "$input" >"$work/open.log" 2>&1 &
opened=$!
pids="$pids $opened"
main=$(wait_window "^Sonaro - $name\$")
shoot "$main" main-opened.png
keys "$main" alt+c s
if settings=$(wait_window '^Settings$'); then
    shoot root settings.png
    keys "$settings" Escape
fi
keys "$main" alt+c c
if progress=$(wait_window '^Converting...$'); then
    import -window root "$out/progress.png" && echo "screenshots: $out/progress.png"
fi
if main=$(wait_window "^Sonaro - $name \\*\$"); then
    shoot "$main" main-converted.png
fi

# 3. Several files: the batch window before, during and after a run of 40 files (one refused,
# one imported), its results in a music folder of the new user's own.
kill "$opened" 2>/dev/null || true
export HOME="$work/home"
mkdir -p "$HOME" "$work/many"
if command -v sox >/dev/null; then
    "$(dirname "$0")/../bench/batch_inputs.sh" "$work/many" 38 60
    sox -n -r 44100 -c 2 "$work/many/song.flac" synth 60 sine 440 vol 0.5
    "$build/cli/sonaro-convert" --quiet "$work/many/1.wav" -o "$work/many/converted.wav"
    "$sonaro" "$work/many"/*.wav "$work/many/song.flac" >"$work/batch.log" 2>&1 &
    pids="$pids $!"
    batch=$(wait_window '^Convert Several Files$')
    shoot "$batch" batch-before.png
    keys "$batch" alt+c
    results() { ls "$HOME/Music/Sonaro" 2>/dev/null | wc -l; }
    for _ in $(seq 1000); do
        [ "$(results)" -ge 12 ] && break
        sleep 0.02
    done
    import -window root "$out/batch-during.png" && echo "screenshots: $out/batch-during.png"
    for _ in $(seq 600); do
        [ "$(results)" -ge 39 ] && break
        sleep 0.1
    done
    sleep 1
    shoot root batch-after.png
fi
