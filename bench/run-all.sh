#!/usr/bin/env bash
# Builds the benchmarks, runs each beside the standard tool that does the same
# work on the same data in the same run, and prints one table of medians.
# A benchmark is not a test: nothing here fails on a time.
#
#   bench/run-all.sh [--rounds N] [--long] [--build FOLDER]
#
#   --rounds N   rounds of each benchmark (default 5); each also runs once
#                beforehand, not counted, so that the page cache is warm
#   --long       also the agent's CPU time over a full wait with no consumer
#                (about 250 s)
#
# Needs about 2.5 GB free in $TMPDIR (default /tmp).
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."

rounds=5
long=0
build=build/bench
while (($# > 0)); do
    case $1 in
        --rounds) rounds=$2; shift 2 ;;
        --long) long=1; shift ;;
        --build) build=$2; shift 2 ;;
        *) echo "usage: $0 [--rounds N] [--long] [--build FOLDER]" >&2; exit 2 ;;
    esac
done

scripts/install-deps.sh build cups >&2
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DSORVENNA_BENCH=ON -DSORVENNA_TESTS=OFF >/dev/null
cmake --build "$build" -j2 --target sorvenna_copy_bench sorvenna_log_cap_bench sorvenna_search_bench \
    sorvenna_log_lines_bench sorvenna_run_bench >&2
programs=$build/bench

work=$(mktemp -d "${TMPDIR:-/tmp}/sorvenna-bench-XXXXXX")
trap 'rm -rf "$work"' EXIT

# Runs one benchmark program on a work folder of its own, its rounds shown
# on stderr; prints its result line.
#   run NAME PROGRAM [ARGUMENT...]   runs PROGRAM FOLDER ARGUMENT...
run() {
    local folder=$work/$1 program=$programs/$2
    shift 2
    mkdir -p "$folder"
    "$program" "$folder" "$@" | tee "$folder.out" >&2
    grep -E '^(result|median of)' "$folder.out" | tail -n 1
    rm -rf "$folder" "$folder.out"
}

# The value of key in a "result key=value ..." line.
field() { tr ' ' '\n' <<<"$1" | sed -n "s/^$2=//p"; }

# Whether value <= limit.
within() { awk -v value="$1" -v limit="$2" 'BEGIN { exit !(value <= limit) }' && echo yes || echo no; }

echo "== copy" >&2
copy=$(run copy sorvenna_copy_bench "$rounds")
echo "== size cap" >&2
cap=$(run cap sorvenna_log_cap_bench "$rounds")
echo "== search" >&2
search=$(run search sorvenna_search_bench "$rounds")
echo "== log lines" >&2
lines=$(run lines sorvenna_log_lines_bench "$rounds")
echo "== whole run" >&2
whole=$(run whole sorvenna_run_bench "$rounds")
if ((long)); then
    echo "== full wait without a consumer (about 250 s)" >&2
    wait_row=$(run wait sorvenna_run_bench --no-consumer)
fi

# The size cap's own line: "median of N: cap S s (peak RSS K KiB), dd S s (peak RSS K KiB), ratio R".
read -r cap_seconds cap_kib dd_seconds cap_ratio < <(sed -E \
    's/.*cap ([0-9.]+) s \(peak RSS ([0-9]+) KiB\), dd ([0-9.]+) s .*ratio ([0-9.]+).*/\1 \2 \3 \4/' <<<"$cap")
cap_mib=$(awk -v kib="$cap_kib" 'BEGIN { printf "%.1f", kib / 1024 }')
cap_met=no
if [[ $(within "$cap_ratio" 1.2) == yes && $(within "$cap_mib" 16) == yes ]]; then
    cap_met=yes
fi

row() { printf '| %-52s | %-24s | %-32s | %-16s | %-27s | %-3s |\n' "$@"; }
echo
echo "Medians of $rounds rounds, page cache warm ($(nproc) cores, $(uname -r))."
row "work" "agent" "baseline" "ratio" "target" "met"
row "$(printf '%.52s' '----------------------------------------------------')" "------------------------" \
    "--------------------------------" "----------------" "---------------------------" "---"
row "copy a 1 GiB spool file to Sorvenna.dat" "$(field "$copy" agent) s" "cp $(field "$copy" baseline) s" \
    "$(field "$copy" ratio)" "ratio <= 1.05" "$(within "$(field "$copy" ratio)" 1.05)"
row "size cap on a 1,399,999,860-byte log" "$cap_seconds s, peak $cap_mib MiB" "dd conv=notrunc $dd_seconds s" \
    "$cap_ratio" "ratio <= 1.2, RSS <= 16 MiB" "$cap_met"
row "fallback search, 100,000 .SPL files + 100,000 others" "$(field "$search" agent) s" \
    "find -printf %B@ $(field "$search" baseline) s" "$(field "$search" ratio)" "ratio <= 1.5" \
    "$(within "$(field "$search" ratio)" 1.5)"
row "100,000 log lines, each its own open and close" "$(field "$lines" agent) s" \
    "C open/write/close $(field "$lines" baseline) s" "$(field "$lines" ratio)" "ratio <= 1.2" \
    "$(within "$(field "$lines" ratio)" 1.2)"
row "one agent run, printing job, prompt consumer" "$(field "$whole" agent) s" \
    "pauses $(field "$whole" baseline) s" "+$(field "$whole" overhead) ms" "overhead <= 20 ms" \
    "$(within "$(field "$whole" overhead)" 20)"
if ((long)); then
    row "CPU time over a full wait, no consumer" "$(field "$wait_row" agent) s CPU, $(field "$wait_row" polls) polls" \
        "bare pauses $(field "$wait_row" baseline) s CPU" \
        "$(awk -v a="$(field "$wait_row" agent)" -v b="$(field "$wait_row" baseline)" 'BEGIN { printf "%.2f", a / b }')" \
        "<= 0.25 s CPU" "$(within "$(field "$wait_row" agent)" 0.25)"
fi
echo
echo "The agent's copy takes the name Sorvenna.dat only once it is complete (a reader never finds a copy that"
echo "is not all there); it is not flushed to disk. For comparison, cp followed by sync of the copy takes" \
    "$(field "$copy" durable) s."
echo "The whole run is the sequence in-process over a scripted queue (the shipped agent asks a CUPS server),"
echo "on the real clock, with a consumer process that deletes the request as soon as it is closed."
