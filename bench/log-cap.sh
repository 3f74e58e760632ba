#!/usr/bin/env bash
# The activity log's size cap on a 1,399,999,860-byte file, beside dd moving
# the same bytes in place, in one run: wall time and peak resident memory.
#
#   bench/log-cap.sh [build folder] [rounds]
#
# Needs about 1.4 GB free in $TMPDIR (default /tmp).
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."

build=${1:-build/bench}
rounds=${2:-3}
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DSORVENNA_BENCH=ON -DSORVENNA_TESTS=OFF >/dev/null
cmake --build "$build" -j2 --target sorvenna_log_cap_bench

work=$(mktemp -d "${TMPDIR:-/tmp}/sorvenna-bench-XXXXXX")
trap 'rm -rf "$work"' EXIT
"$build/bench/sorvenna_log_cap_bench" "$work" "$rounds"
