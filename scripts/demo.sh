#!/bin/sh
# Shows what Sonaro does on the bundled sample.
set -eu
build=$1
sample=$2
echo "== sonaro-convert --info $sample"
"$build/cli/sonaro-convert" --info "$sample"
