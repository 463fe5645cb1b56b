#!/bin/sh
# Runs the tests of a build with a temporary directory of their own, and fails when they leave
# anything behind in it. Usage: run-tests.sh BUILD_DIR [CTEST_ARGUMENTS...]
set -eu
build=$1
shift
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
status=0
(cd "$build" && TMPDIR="$tmp" ctest --output-on-failure --timeout 600 "$@") || status=$?
left=$(ls -A "$tmp")
if [ -n "$left" ]; then
    echo "run-tests: the tests left behind in TMPDIR:" $left >&2
    [ $status -ne 0 ] || status=1
fi
exit $status
