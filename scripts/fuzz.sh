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
