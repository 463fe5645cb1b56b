#!/bin/sh
# Shows what Sonaro does on the bundled sample: its format, the conversion, the result's format.
set -eu
build=$1
sample=$2
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
convert="$build/cli/sonaro-convert"

echo "== The input: sonaro-convert --info $sample"
"$convert" --info "$sample"
echo
echo "== The conversion: sonaro-convert --print-result $sample -o sample-alaw.wav"
"$convert" --print-result "$sample" -o "$out/sample-alaw.wav"
echo
echo "== The result as sox sees it"
soxi "$out/sample-alaw.wav" | grep -E 'Channels|Sample Rate|Precision|Duration|Sample Encoding'
cp "$out/sample-alaw.wav" "$build/sample-alaw.wav"
echo
echo "The converted file is kept at $build/sample-alaw.wav"
