#!/bin/sh
# Installs the Debian packages that Sonaro's make targets need, by group:
#   build        compiling the programs, their tests and benchmarks, and the icons
#   test         what the tests run: the man page and desktop entry checks, sox, the sound servers
#                (PulseAudio, and PipeWire with its PulseAudio interface and session manager),
#                a private X session with the accessibility bus and the AT-SPI reader, a headless
#                Wayland compositor and Qt's Wayland plugin
#   demo         soxi, which shows the converted sample
#   fuzz         clang and its libFuzzer runtime; sox and ffmpeg, which make the decoder's seeds
#   bench        the peers the benchmarks run against
#   screenshots  a private X server, a headless Wayland compositor, and the tools that drive and
#                capture them
#   package      making and checking the Debian package
#   fresh        making a fresh Debian root (scripts/fresh-machine.sh)
# Usage: install-deps.sh [GROUP...]   (no group: every group)
# Idempotent: the package lists are refreshed and packages installed only when one is missing.
set -eu

packages_of() {
    case "$1" in
        build) echo "build-essential cmake ninja-build pkg-config
                     qt6-base-dev qt6-multimedia-dev qt6-svg-dev libgl-dev
                     libgtest-dev libgmock-dev googletest libbenchmark-dev
                     librsvg2-bin libsndfile1-dev libsoxr-dev libseccomp-dev" ;;
        test) echo "groff-base file desktop-file-utils appstream sox ffmpeg pulseaudio pulseaudio-utils
                    pipewire pipewire-pulse wireplumber
                    xvfb dbus-daemon at-spi2-core python3-pyatspi weston qt6-wayland" ;;
        demo) echo "sox" ;;
        fuzz) echo "clang libclang-rt-14-dev sox ffmpeg" ;;
        bench) echo "sox ffmpeg gstreamer1.0-tools gstreamer1.0-plugins-base
                     gstreamer1.0-plugins-good gstreamer1.0-plugins-bad" ;;
        screenshots) echo "xvfb xauth x11-utils imagemagick xdotool sox dbus-daemon at-spi2-core
                           python3-pyatspi weston qt6-wayland" ;;
        package) echo "dpkg-dev file lintian appstream desktop-file-utils" ;;
        fresh) echo "debootstrap" ;;
        *) echo "install-deps: unknown group $1" >&2; return 1 ;;
    esac
}

groups=${*:-build test demo fuzz bench screenshots package fresh}
packages=""
for group in $groups; do
    packages="$packages $(packages_of "$group")"
done

missing=""
for p in $packages; do
    status=$(dpkg-query -W -f='${Status}' "$p" 2>/dev/null || true)
    case "$status" in
        *"ok installed"*) ;;
        *) case " $missing " in *" $p "*) ;; *) missing="$missing $p" ;; esac ;;
    esac
done

if [ -z "$missing" ]; then
    echo "install-deps: all packages of [$groups] present"
    exit 0
fi

if [ "$(id -u)" -eq 0 ]; then
    SUDO=""
else
    SUDO="sudo"
fi

echo "install-deps: installing$missing"
$SUDO apt-get update
# shellcheck disable=SC2086
DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y --no-install-recommends $missing
