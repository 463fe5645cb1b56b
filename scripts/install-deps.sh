#!/bin/sh
# Installs the Debian packages that building, testing and benchmarking Sonaro need.
# Idempotent: the package lists are refreshed and packages installed only when one is missing.
set -eu

PACKAGES="
build-essential cmake ninja-build pkg-config
libgtest-dev libgmock-dev googletest libbenchmark-dev
clang libclang-rt-14-dev
qt6-base-dev qt6-multimedia-dev qt6-svg-dev libgl-dev
libsndfile1-dev libsoxr-dev
sox ffmpeg
xvfb xauth x11-utils imagemagick xdotool desktop-file-utils pulseaudio pulseaudio-utils
"

missing=""
for p in $PACKAGES; do
    status=$(dpkg-query -W -f='${Status}' "$p" 2>/dev/null || true)
    case "$status" in
        *"ok installed"*) ;;
        *) missing="$missing $p" ;;
    esac
done

if [ -z "$missing" ]; then
    echo "install-deps: all packages present"
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
