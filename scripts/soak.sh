#!/bin/bash
# Soak run of the Linux agent (not part of the test command): many agent runs
# in a row against one private CUPS server, each with a real print job and a
# consumer played here. Every job must be captured, every spool copy must
# equal the bytes printed, and nothing may be left behind: no request file,
# no half-made copy, no job in the queue, no agent still running.
#
#   scripts/soak.sh [RUNS] [AGENT]     (as root; default 50 runs of build/linux/Sorvenna)

set -u

repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
runs=${1:-50}
agent=${2:-$repo/build/linux/Sorvenna}
queue=Print_to_Sorvenna

# shellcheck source=SCRIPTDIR/cups-private-server.sh
source "$repo/scripts/cups-private-server.sh"
# shellcheck source=SCRIPTDIR/agent-harness.sh
source "$repo/scripts/agent-harness.sh"

if [ "$(id -u)" -ne 0 ]; then
    echo "soak: run as root (it starts a private CUPS server)" >&2
    exit 2
fi
if [ ! -x "$agent" ]; then
    echo "soak: no agent at $agent; build it first (cmake --build --preset linux)" >&2
    exit 2
fi
for tool in lp lpadmin lpstat cupsenable cmp; do
    if ! command -v "$tool" >/dev/null; then
        echo "soak: $tool is missing (scripts/install-deps.sh cups)" >&2
        exit 2
    fi
done

work=$(mktemp -d "${TMPDIR:-/tmp}/sorvenna-soak.XXXXXX")
chmod 0755 "$work"
cleanup() {
    agent_stop
    cups_private_stop
    rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

if ! cups_private_start || ! cups_private_add_queue "$queue"; then
    echo "soak: the private server did not start" >&2
    exit 1
fi
agent_install "$work/agent" "$agent" 1 || exit 1

passed=0
failed=0
failures=()
total_ms=0
fail() { failures+=("run $run: $*"); }

# A document of its own for each run: its number, then bytes of every value,
# from 1 KiB to about 2 MiB.
make_document() {
    local file=$1 number=$2
    printf 'Sorvenna soak document %d\r\n' "$number" >"$file"
    head -c $((1024 + (number * 40009) % (2 * 1024 * 1024))) /dev/urandom >>"$file"
}

for ((run = 1; run <= runs; run++)); do
    failures=()
    owner=user$(((run - 1) % 3 + 1))
    document=$work/document-$run.prn
    make_document "$document" "$run"
    job=$(cups_private_print "$queue" "$owner" "Invoice*$run" "$document") || { fail "lp refused the job"; job=; }
    if [ -n "$job" ] && cups_private_wait_printing "$job"; then
        request=$(agent_c "Sorvenna/$owner/$owner.txt")
        started=$(date +%s%N)
        agent_start
        if agent_wait_file "$request" 20; then
            # The spool copy is complete by the time the request exists.
            cmp -s "$AGENT_SPOOL_COPY" "$document" || fail "Sorvenna.dat differs from the printed bytes when the request appeared"
            [ "$(cat "$request")" = "Invoice$run" ] || fail "request holds '$(cat "$request")', not 'Invoice$run'"
            rm -f "$request"
        else
            fail "no request file within 20 s"
            find "$AGENT_DRIVE_C/Sorvenna" -name '*.txt' -delete 2>/dev/null
        fi
        agent_wait_exit 20
        rc=$?
        total_ms=$((total_ms + ($(date +%s%N) - started) / 1000000))
        [ "$rc" -eq 0 ] || fail "agent exit code $rc"
        cmp -s "$AGENT_SPOOL_COPY" "$document" || fail "Sorvenna.dat differs from the printed bytes"
        spool_file=$(printf 'C:\\Windows\\System32\\spool\\PRINTERS\\%05d.SPL' "$job")
        log=$(agent_log_file)
        [ -n "$log" ] && grep -qF -- "Selected : $spool_file" "$log" || fail "no 'Selected : $spool_file' line"
        # Left behind: anything in the per-user folders, anything beside the copy.
        leftovers=$(find "$AGENT_DRIVE_C/Sorvenna" -mindepth 2 ! -path "$AGENT_DRIVE_C/Sorvenna/LOG/*" 2>/dev/null)
        [ -z "$leftovers" ] || fail "left behind: $leftovers"
        beside=$(find "$AGENT_ROOT/Xtra" -mindepth 1 -maxdepth 1 ! -name Sorvenna.dat ! -name Prerequisite)
        [ -z "$beside" ] || fail "beside the spool copy: $beside"
        cups_private_release "$job"
        cups_private_wait_completed "$job" "$queue" || fail "job $job did not complete"
    else
        fail "job ${job:-?} never printed"
    fi
    rm -f "$document"
    if [ ${#failures[@]} -eq 0 ]; then
        passed=$((passed + 1))
    else
        failed=$((failed + 1))
        printf 'FAIL %s\n' "${failures[@]}"
    fi
done

# After the last run: the queue is empty and the log holds one line pair a run.
failures=()
run=end
[ -z "$(lpstat -o "$queue" 2>/dev/null)" ] || fail "jobs left in the queue: $(lpstat -o "$queue")"
[ -z "$(ls -A "$CUPS_PRIVATE_BASE/backends")" ] || fail "backends still waiting"
log_lines() { cat "$AGENT_DRIVE_C"/Sorvenna/LOG/invoice-spool_*.log 2>/dev/null | grep -c -F -- "$1"; }
[ "$(log_lines 'JobID : ')" -eq "$runs" ] || fail "$(log_lines 'JobID : ') JobID lines for $runs runs"
[ "$(log_lines 'Selected : ')" -eq "$runs" ] || fail "$(log_lines 'Selected : ') Selected lines for $runs runs"
[ "$(log_lines 'timeout')" -eq 0 ] || fail "a run timed out"
if [ ${#failures[@]} -gt 0 ]; then
    printf 'FAIL %s\n' "${failures[@]}"
    failed=$((failed + 1))
fi

echo "soak: $runs runs, mean $((total_ms / (runs > 0 ? runs : 1))) ms from start to exit"
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
