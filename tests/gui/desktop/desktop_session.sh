#!/bin/sh
# Runs a command in a private desktop session like a user's: a session bus, the accessibility bus
# that screen readers listen on, and a display server (Xvfb for X11, or a headless Weston
# compositor for Wayland), all in a runtime directory of their own and all stopped when the
# command ends. Qt programs started by the command use that display and expose their windows to
# assistive technology.
# Usage: desktop_session.sh x11|wayland COMMAND [ARGUMENT...]
# Exits with the command's status, or with 77 (a skipped test) naming the piece of the session
# that is not installed.
set -eu
kind=$1
shift

skip() {
    echo "desktop_session: skipped: $1 is not installed (scripts/install-deps.sh test)" >&2
    exit 77
}
need() {
    command -v "$1" >/dev/null 2>&1 || [ -x "$1" ] || skip "$1"
}

# A session bus of its own first; the rest runs inside it.
if [ -z "${SONARO_DESKTOP_SESSION:-}" ]; then
    need dbus-run-session
    SONARO_DESKTOP_SESSION=1 exec dbus-run-session -- sh "$0" "$kind" "$@"
fi

need /usr/libexec/at-spi-bus-launcher
need "$1"
case "$kind" in
    x11) need Xvfb ;;
    wayland) need weston ;;
    *) echo "desktop_session: x11 or wayland, not $kind" >&2; exit 2 ;;
esac

runtime=$(mktemp -d)
chmod 700 "$runtime"
pids=""
finish() {
    for pid in $pids; do kill "$pid" 2>/dev/null || true; done
    for pid in $pids; do wait "$pid" 2>/dev/null || true; done
    rm -rf "$runtime"
}
trap finish EXIT
trap 'exit 130' INT TERM

# A new user: an empty configuration and a runtime directory nobody else uses.
export XDG_RUNTIME_DIR="$runtime" XDG_CONFIG_HOME="$runtime/config"
mkdir -p "$XDG_CONFIG_HOME"
export QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1

/usr/libexec/at-spi-bus-launcher --launch-immediately >"$runtime/at-spi.log" 2>&1 &
pids="$pids $!"

waited_for() {  # a path that shows up within twenty seconds
    for _ in $(seq 200); do
        [ -e "$1" ] && return 0
        sleep 0.1
    done
    echo "desktop_session: $2 did not start:" >&2
    cat "$3" >&2
    exit 1
}

if [ "$kind" = x11 ]; then
    display=90
    while [ -e "/tmp/.X$display-lock" ] || [ -e "/tmp/.X11-unix/X$display" ]; do
        display=$((display + 1))
    done
    Xvfb ":$display" -screen 0 1024x768x24 -nolisten tcp >"$runtime/xvfb.log" 2>&1 &
    pids="$pids $!"
    waited_for "/tmp/.X11-unix/X$display" Xvfb "$runtime/xvfb.log"
    export DISPLAY=":$display" QT_QPA_PLATFORM=xcb XDG_SESSION_TYPE=x11
    unset WAYLAND_DISPLAY
else
    # The pixman renderer keeps pictures of the screen; --debug lets weston-screenshooter take them.
    weston --backend=headless-backend.so --use-pixman --debug --socket=wayland-sonaro \
        --idle-time=0 --width=1024 --height=768 >"$runtime/weston.log" 2>&1 &
    pids="$pids $!"
    waited_for "$runtime/wayland-sonaro" Weston "$runtime/weston.log"
    export WAYLAND_DISPLAY=wayland-sonaro QT_QPA_PLATFORM=wayland XDG_SESSION_TYPE=wayland
    unset DISPLAY
    # A headless Weston has no keyboard; Qt 6.4's Wayland text input then crashes when a text
    # field draws its cursor. The compose input method is what Qt uses on X11.
    export QT_IM_MODULE=compose
fi

status=0
"$@" || status=$?
exit $status
