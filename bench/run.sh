#!/bin/sh
# Converts generated inputs with sonaro-convert, sox and ffmpeg, alternately in one run, and prints
# median wall times, the ratio to sox and peak memory. Usage: bench/run.sh BUILD_DIR [RUNS]
set -eu
build=$1
runs=${2:-5}
convert="$build/cli/sonaro-convert"
compare="$build/bench/sonaro-bench-compare"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

echo "machine: $(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ //')"

# bench_case NAME SECONDS RATE CHANNELS ENCODING: makes a pink-noise input of that shape, then
# times the three converters on it.
bench_case() {
    name=$1
    input="$work/$name.wav"
    case $5 in
        pcm) sox -n -r "$3" -c "$4" -b 16 "$input" synth "$2" pinknoise vol 0.5 ;;
        adpcm) sox -n -r "$3" -c "$4" -e ms-adpcm "$input" synth "$2" pinknoise vol 0.5 ;;
    esac
    echo
    echo "== $name: $(soxi -d "$input"), $(soxi -r "$input") Hz, $(soxi -c "$input") channel(s), $(soxi -e "$input")"
    "$compare" "$runs" \
        "sox=sox '$input' -r 8000 -c 1 -e a-law '$work/sox.wav'" \
        "sonaro=$convert --quiet '$input' -o '$work/sonaro.wav'" \
        "ffmpeg=ffmpeg -v error -y -i '$input' -ar 8000 -ac 1 -c:a pcm_alaw '$work/ffmpeg.wav'"
    rm -f "$input"
}

bench_case 10min-44k1-stereo 600 44100 2 pcm
bench_case 10s-44k1-stereo 10 44100 2 pcm
bench_case 10min-48k-mono 600 48000 1 pcm
bench_case 10min-22k05-stereo 600 22050 2 pcm
bench_case 10min-44k1-stereo-adpcm 600 44100 2 adpcm
