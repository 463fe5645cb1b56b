#!/bin/sh
# Runs every fuzz target of a fuzz build for a bounded time, starting from the generated seeds and
# the inputs that once failed. Usage: scripts/fuzz.sh BUILD_DIR SECONDS_PER_TARGET
set -eu
build=$1
seconds=$2
root=$(cd "$(dirname "$0")/.." && pwd)
seeds="$build/fuzz-seeds"
# The targets write every input to a file: in memory that is many times faster than on disk.
if [ -d /dev/shm ] && [ -w /dev/shm ]; then
    export TMPDIR=/dev/shm
fi
"$build/tests/fuzz/sonaro-make-corpus" "$seeds" >/dev/null
# Short sounds of the containers, codecs, sample kinds, rates and channel counts the decoder
# reads, for its target (each under the 8192 bytes an input may have).
make_sound() {
    [ -f "$seeds/$1" ] || sh -c "$2" >/dev/null 2>&1 || echo "fuzz: no seed $1" >&2
}
tone="-n -r 8000 -c 1 -b 16"
make_sound sound.flac "sox $tone $seeds/sound.flac synth 0.1 sine 440"
make_sound sound24.flac "sox -n -r 96000 -c 2 -b 24 $seeds/sound24.flac synth 0.005 sine 440"
make_sound sound.aiff "sox $tone $seeds/sound.aiff synth 0.05 sine 440"
make_sound sound.aifc "sox $tone -e floating-point -b 32 $seeds/sound.aifc synth 0.02 sine 440"
make_sound sound.au "sox $tone $seeds/sound.au synth 0.05 sine 440"
make_sound sound.w64 "sox $tone $seeds/sound.w64 synth 0.05 sine 440"
make_sound float.wav "sox -n -r 8001 -c 1 -e floating-point -b 32 -t wav $seeds/float.wav synth 0.02 sine 440"
make_sound six.wav "sox -n -r 48000 -c 6 -b 16 -t wav $seeds/six.wav synth 0.005 sine 440"
make_sound sound.caf "ffmpeg -v error -f lavfi -i sine=d=0.05:r=8000 -f caf $seeds/sound.caf"
make_sound sound.mp3 "ffmpeg -v error -f lavfi -i sine=d=0.1:r=8000 -f mp3 $seeds/sound.mp3"
make_sound sound.ogg "ffmpeg -v error -f lavfi -i sine=d=0.1:r=8000 -c:a libvorbis -f ogg $seeds/sound.ogg"
make_sound sound.opus "ffmpeg -v error -f lavfi -i sine=d=0.1 -c:a libopus -f ogg $seeds/sound.opus"
for target in "$build"/tests/fuzz/sonaro_fuzz_*; do
    name=$(basename "$target")
    corpus="$build/fuzz-corpus/$name"
    regressions="$root/tests/fuzz/regressions/$name"
    mkdir -p "$corpus" "$regressions"
    echo "== $name: $seconds s"
    # Known failures first, one by one: any crash among them fails the run at once.
    if [ -n "$(ls -A "$regressions")" ]; then
        "$target" -runs=0 "$regressions"/* >/dev/null 2>&1 || {
            echo "$name: a regression input fails again" >&2
            "$target" -runs=0 "$regressions"/*
            exit 1
        }
    fi
    "$target" -max_total_time="$seconds" -max_len=8192 -timeout=20 -rss_limit_mb=2048 \
        -print_final_stats=1 -artifact_prefix="$build/fuzz-$name-" "$corpus" "$seeds" \
        2>"$build/fuzz-$name.log" || {
        tail -n 60 "$build/fuzz-$name.log" >&2
        echo "$name: finding saved under $build/fuzz-$name-*" >&2
        exit 1
    }
    grep -E "stat::number_of_executed_units|stat::peak_rss_mb" "$build/fuzz-$name.log"
done
