#!/bin/sh
# Converts generated inputs with sox, ffmpeg, GStreamer and sonaro-convert, alternately in one run
# (medians of RUNS), and prints the table of wall times with sonaro's ratio to its floor and to
# the fastest peer: ten-minute inputs, a short one, the same again with all four tools pinned to
# one CPU (taskset -c 0), and a batch of 40 files of 15 s (mixed rates and channels) converted two
# at a time (sonaro --jobs 2, the peers one file each through xargs -P 2); the 10 s rows, some
# 20 ms each, are taken five times as often, as their spread is larger. A peer that cannot decode
# an input (GStreamer without an MS ADPCM decoder) is left out of that row. The floor of a row is
# the least time sonaro can take there (bench/conversion_floor.cpp): its filter's multiply-adds at
# the measured limit of this processor plus its temporary files moved through the page cache.
# Then the same batch through the batch window's run against sonaro-convert --jobs with as many
# jobs as CPUs, and the resampler's sums against the limit of each instruction set. Take it on a
# quiet machine: the processor and the load are printed first. LENGTH (seconds, default 600)
# shortens the long inputs for a quick try of the script itself.
# Usage: bench/run.sh BUILD_DIR [RUNS [LENGTH]]
set -eu
build=$1
runs=${2:-5}
length=${3:-600}
convert="$build/cli/sonaro-convert"
compare="$build/bench/sonaro-bench-compare"
floor="$build/bench/sonaro-bench-floor"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

cpu() { lscpu | sed -n "s/^$1: *//p"; }
flags=""
for flag in avx2 avx512f; do
    grep -qw "$flag" /proc/cpuinfo && flags="$flags $flag"
done
echo "processor: $(cpu 'Model name') ($(cpu 'Vendor ID') family $(cpu 'CPU family') model" \
    "$(cpu 'Model')), $(nproc) CPUs usable, flags:${flags:- none}"
echo "load: $(cut -d' ' -f1-3 /proc/loadavg) (1, 5, 15 minutes)"

# make NAME SECONDS RATE CHANNELS ENCODING: a pink-noise input of that shape.
make_input() {
    case $5 in
        pcm) sox -n -r "$3" -c "$4" -b 16 "$work/$1.wav" synth "$2" pinknoise vol 0.5 ;;
        adpcm) sox -n -r "$3" -c "$4" -e ms-adpcm "$work/$1.wav" synth "$2" pinknoise vol 0.5 ;;
    esac
}

# spec FILE: the input as sonaro-bench-floor takes it, RATE:CHANNELS:FRAMES:ENCODING.
spec() {
    case $(soxi -e "$1") in
        *ADPCM*) encoding=adpcm ;;
        *) encoding=pcm ;;
    esac
    echo "$(soxi -r "$1"):$(soxi -c "$1"):$(soxi -s "$1"):$encoding"
}

# gstreamer INPUT OUTPUT [PREFIX]: GStreamer's command for one conversion, or "!no decoder"
# when it cannot decode the input.
gstreamer() {
    if ! gst-launch-1.0 -q filesrc location="$1" ! decodebin ! fakesink >/dev/null 2>&1; then
        echo "!no decoder"
        return
    fi
    echo "${3:-} gst-launch-1.0 -q filesrc location='$1' ! decodebin ! audioconvert !" \
        "audioresample ! audio/x-raw,rate=8000,channels=1 ! alawenc ! wavenc !" \
        "filesink location='$2'"
}

# row LABEL INPUT [PREFIX [RUNS]]: the four tools on one input, each command after PREFIX, with
# the floor measured under the same PREFIX.
row() {
    input="$work/$2.wav"
    prefix=${3:-}
    "$compare" --floor "$($prefix "$floor" "$(spec "$input")")" "$1" "${4:-$runs}" \
        "sox=$prefix sox '$input' -r 8000 -c 1 -e a-law '$work/sox.wav'" \
        "ffmpeg=$prefix ffmpeg -v error -y -i '$input' -ar 8000 -ac 1 -c:a pcm_alaw '$work/ffmpeg.wav'" \
        "GStreamer=$(gstreamer "$input" "$work/gstreamer.wav" "$prefix")" \
        "sonaro=$prefix $convert --quiet '$input' -o '$work/sonaro.wav'"
}

make_input s44 "$length" 44100 2 pcm
make_input m48 "$length" 48000 1 pcm
make_input s22 "$length" 22050 2 pcm
make_input a44 "$length" 44100 2 adpcm
make_input short 10 44100 2 pcm

mkdir "$work/out"
"$(dirname "$0")/batch_inputs.sh" "$work/batch" 40 15
ls "$work"/batch/*.wav > "$work/list"
batch_specs=$(for file in "$work"/batch/*.wav; do spec "$file"; done)

echo
long="10 min"
[ "$length" = 600 ] || long="$length s"
echo "| input ($long unless said) | sox s | ffmpeg s | GStreamer s | sonaro s | floor s" \
    "| sonaro / floor | sonaro / best peer | sonaro peak memory |"
echo "|---|---|---|---|---|---|---|---|---|"
for pin in "" "taskset -c 0"; do
    at=${pin:+", pinned to one CPU"}
    row "44.1 kHz stereo$at" s44 "$pin"
    row "48 kHz mono$at" m48 "$pin"
    row "22.05 kHz stereo$at" s22 "$pin"
    row "44.1 kHz stereo MS ADPCM$at" a44 "$pin"
    row "10 s 44.1 kHz stereo$at" short "$pin" $((runs * 5))
done
# shellcheck disable=SC2086
"$compare" --floor "$("$floor" --jobs 2 $batch_specs)" "40 files of 15 s, two at a time" "$runs" \
    "sox=xargs -a '$work/list' -P 2 -I{} sox {} -r 8000 -c 1 -e a-law -t wav {}.sox" \
    "ffmpeg=xargs -a '$work/list' -P 2 -I{} ffmpeg -v error -y -i {} -ar 8000 -ac 1 -c:a pcm_alaw -f wav {}.ffmpeg" \
    "GStreamer=xargs -a '$work/list' -P 2 -I{} gst-launch-1.0 -q filesrc location={} ! decodebin ! audioconvert ! audioresample ! audio/x-raw,rate=8000,channels=1 ! alawenc ! wavenc ! filesink location={}.gst" \
    "sonaro=$convert --quiet --jobs 2 \$(cat '$work/list') --output-dir '$work/out'"
# The same files through the batch window's run (from Convert to its end), against sonaro-convert
# with as many jobs as the window takes conversions at once (the CPUs usable).
window="$build/bench/sonaro-bench-batch-window"
if [ -x "$window" ]; then
    echo
    echo "| input (15 s each) | jobs | sonaro-convert s | batch window s | window / sonaro-convert |"
    echo "|---|---|---|---|---|"
    # shellcheck disable=SC2046
    "$window" "$runs" "$convert" $(cat "$work/list") 2>/dev/null
fi

echo
echo "== the resampler's sums alone: multiply-adds per second against each instruction set's limit"
"$build/bench/sonaro-bench-resampler" 44100 48000
