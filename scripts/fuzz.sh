#!/usr/bin/env bash
# Builds the libFuzzer targets and runs each for the given number of seconds
# (default 10). A crash, leak or hang of any target fails the run; its input
# is kept in build/fuzz/findings/.
#   scripts/fuzz.sh [seconds] [target...]
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."

seconds=${1:-10}
shift || true

scripts/install-deps.sh build fuzz
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz -j2 >/dev/null

targets=("$@")
if ((${#targets[@]} == 0)); then
    mapfile -t targets < <(find build/fuzz/tests/fuzz -maxdepth 1 -type f -name 'fuzz_*' -perm -u+x -printf '%f\n' | sort)
fi

mkdir -p build/fuzz/findings
status=0
for target in "${targets[@]}"; do
    corpus=build/fuzz/corpus/$target
    mkdir -p "$corpus"
    seeds=tests/fuzz/seeds/$target
    log=build/fuzz/$target.log
    # -timeout: an input that takes longer than 10 s counts as a hang.
    if build/fuzz/tests/fuzz/"$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
        -artifact_prefix=build/fuzz/findings/"$target"- "$corpus" $( [[ -d $seeds ]] && echo "$seeds" ) \
        >"$log" 2>&1; then
        runs=$(grep -oE 'Done [0-9]+ runs' "$log" | tail -n 1 | grep -oE '[0-9]+' || echo '?')
        echo "fuzz $target: $runs runs in ${seconds}s, no finding"
    else
        echo "fuzz $target: FINDING (see $log and build/fuzz/findings/)"
        tail -n 30 "$log"
        status=1
    fi
done
exit $status
