#!/bin/sh
# Makes COUNT WAV files of SECONDS each with sox, named 1.wav, 2.wav, ... in DIR: 16-bit pink
# noise at eight rates from 11025 to 48000 Hz, mono and stereo in turn, three files of each shape.
# The batch benchmark's inputs, and those of the batch window's screenshots.
# Usage: bench/batch_inputs.sh DIR COUNT SECONDS
set -eu
dir=$1
count=$2
seconds=$3
mkdir -p "$dir"
i=0
for rate in 11025 16000 22050 32000 44100 48000 24000 12000; do
    for channels in 1 2; do
        for take in 1 2 3; do
            i=$((i + 1))
            [ $i -le "$count" ] || exit 0
            sox -n -r $rate -c $channels -b 16 "$dir/$i.wav" synth "$seconds" pinknoise vol 0.5
        done
    done
done
