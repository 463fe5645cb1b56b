#!/bin/sh
# Converts generated inputs with sox, ffmpeg and sonaro-convert, alternately in one run (medians
# of RUNS), and prints the table of wall times with sonaro's ratio to the faster peer: ten-minute
# inputs, a short one, the same again with all three tools pinned to one CPU (taskset -c 0), and a
# batch of 40 files of 15 s (mixed rates and channels) converted two at a time (sonaro --jobs 2,
# the peers one file each through xargs -P 2), and the same files through the batch window's run
# against sonaro-convert --jobs with as many jobs as CPUs; the 10 s rows, some 20 ms each, are taken five
# times as often, as their spread is larger. Then the resampler's sums against the limit of
# each instruction set. Take it on a quiet machine: the load is printed first. LENGTH (seconds,
# default 600) shortens the long inputs for a quick try of the script itself.
# Usage: bench/run.sh BUILD_DIR [RUNS [LENGTH]]
set -eu
build=$1
runs=${2:-5}
length=${3:-600}
convert="$build/cli/sonaro-convert"
compare="$build/bench/sonaro-bench-compare"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

flags=""
for flag in avx2 avx512f; do
    grep -qw "$flag" /proc/cpuinfo && flags="$flags $flag"
done
echo "machine: $(lscpu | sed -n 's/^Model name: *//p'), $(nproc) CPUs usable, flags:${flags:- none}"
echo "load: $(cut -d' ' -f1-3 /proc/loadavg) (1, 5, 15 minutes)"

# make NAME SECONDS RATE CHANNELS ENCODING: a pink-noise input of that shape.
make_input() {
    case $5 in
        pcm) sox -n -r "$3" -c "$4" -b 16 "$work/$1.wav" synth "$2" pinknoise vol 0.5 ;;
        adpcm) sox -n -r "$3" -c "$4" -e ms-adpcm "$work/$1.wav" synth "$2" pinknoise vol 0.5 ;;
    esac
}

# row LABEL INPUT [PREFIX [RUNS]]: the three tools on one input, each command after PREFIX.
row() {
    input="$work/$2.wav"
    prefix=${3:-}
    "$compare" "$1" "${4:-$runs}" \
        "sox=$prefix sox '$input' -r 8000 -c 1 -e a-law '$work/sox.wav'" \
        "ffmpeg=$prefix ffmpeg -v error -y -i '$input' -ar 8000 -ac 1 -c:a pcm_alaw '$work/ffmpeg.wav'" \
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

echo
long="10 min"
[ "$length" = 600 ] || long="$length s"
echo "| input ($long unless said) | sox s | ffmpeg s | sonaro s | sonaro / best peer | sonaro peak memory |"
echo "|---|---|---|---|---|---|"
for pin in "" "taskset -c 0"; do
    at=${pin:+", pinned to one CPU"}
    row "44.1 kHz stereo$at" s44 "$pin"
    row "48 kHz mono$at" m48 "$pin"
    row "22.05 kHz stereo$at" s22 "$pin"
    row "44.1 kHz stereo MS ADPCM$at" a44 "$pin"
    row "10 s 44.1 kHz stereo$at" short "$pin" $((runs * 5))
done
"$compare" "40 files of 15 s, two at a time" "$runs" \
    "sox=xargs -a '$work/list' -P 2 -I{} sox {} -r 8000 -c 1 -e a-law -t wav {}.sox" \
    "ffmpeg=xargs -a '$work/list' -P 2 -I{} ffmpeg -v error -y -i {} -ar 8000 -ac 1 -c:a pcm_alaw -f wav {}.ffmpeg" \
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
