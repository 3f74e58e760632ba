#!/bin/bash
# The demonstration, as root on a Debian 12 machine: a document printed with
# lp on a private CUPS server is captured by the agent, end to end.
#
#   scripts/demo.sh
#
# It installs what is missing (scripts/install-deps.sh), builds the Linux
# preset, starts a private CUPS server (nothing of the machine's CUPS is
# touched), creates the queue Print_to_Sorvenna, prints a sample document as
# user1 titled "Invoice*12", runs the agent as installed and plays the
# consumer that takes its request. Everything runs in one temporary folder,
# removed at the end (kept when SORVENNA_DEMO_KEEP=1), and the server is
# stopped whatever happens.

set -u

repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
queue=Print_to_Sorvenna
owner=user1
title='Invoice*12'

say() { printf '%s\n' "$*"; }
step() { printf '\n== %s\n' "$*"; }
fail() {
    printf '\nDEMO FAILED: %s\n' "$*" >&2
    exit 1
}

[ "$(id -u)" -eq 0 ] || fail "run as root (it installs packages and starts a CUPS server of its own)"

# ----- 1. what the demonstration needs -------------------------------------------
step "Dependencies"
missing=()
for tool in cupsd lp lpadmin lpstat cupsenable cupsdisable cmake c++ setpriv; do
    command -v "$tool" >/dev/null || missing+=("$tool")
done
[ -f /usr/include/cups/cups.h ] || missing+=("libcups headers")
[ -f /usr/include/gtest/gtest.h ] || missing+=("GoogleTest")
if [ ${#missing[@]} -gt 0 ]; then
    say "missing: ${missing[*]}; installing"
    [ -x "$repo/scripts/install-deps.sh" ] || fail "scripts/install-deps.sh not found"
    "$repo/scripts/install-deps.sh" || fail "installing the dependencies failed"
else
    say "all there"
fi

# ----- 2. build ------------------------------------------------------------------
step "Build (cmake --preset linux && cmake --build --preset linux)"
build_log=$(mktemp "${TMPDIR:-/tmp}/sorvenna-build.XXXXXX")
if ! (cd "$repo" && cmake --preset linux && cmake --build --preset linux) >"$build_log" 2>&1; then
    tail -n 30 "$build_log" >&2
    rm -f "$build_log"
    fail "the build failed"
fi
rm -f "$build_log"
agent=$repo/build/linux/Sorvenna
[ -x "$agent" ] || fail "no agent at $agent after the build"
say "built $agent"

# ----- 3. private CUPS server and queue --------------------------------------------
# shellcheck source=SCRIPTDIR/cups-private-server.sh
source "$repo/scripts/cups-private-server.sh"
# shellcheck source=SCRIPTDIR/agent-harness.sh
source "$repo/scripts/agent-harness.sh"

demo=$(mktemp -d "${TMPDIR:-/tmp}/sorvenna-demo.XXXXXX")
chmod 0755 "$demo"
finish() {
    agent_stop
    cups_private_stop
    if [ "${SORVENNA_DEMO_KEEP:-0}" = 1 ]; then
        printf 'files kept in %s\n' "$demo"
    else
        rm -rf "$demo"
    fi
}
trap finish EXIT
trap 'exit 130' INT TERM

step "Private CUPS server"
cups_private_start || fail "the private CUPS server did not start"
say "cupsd running (pid $CUPS_PRIVATE_PID), socket CUPS_SERVER=$CUPS_SERVER"
say "request folder SORVENNA_CUPS_SPOOL=$SORVENNA_CUPS_SPOOL"
cups_private_add_queue "$queue" || fail "creating the queue $queue failed"
say "queue $queue: raw, printing through the hold backend (keeps each job printing until released)"

# ----- 4. print -------------------------------------------------------------------
step "Print as $owner: lp -d $queue -U $owner -t '$title'"
document=$demo/invoice-12.txt
{
    printf 'INVOICE 12\r\n'
    printf 'Sorvenna demonstration, printed %s\r\n' "$(date '+%Y-%m-%d %H:%M:%S')"
    printf '1 x capture agent ........ 0.00\r\n'
    printf '\f'
} >"$document"
job=$(cups_private_print "$queue" "$owner" "$title" "$document") || fail "lp failed"
cups_private_wait_printing "$job" || fail "job $job did not start printing"
say "job $job is printing ($(cups_private_job_reasons "$job")); CUPS keeps its data as $(printf 'd%05d-001' "$job")"
spool_name=$(printf '%05d.SPL' "$job")

# ----- 5. the agent and its consumer --------------------------------------------------
step "Agent, installed in $demo/root"
agent_install "$demo" "$agent" 1 || fail "installing the agent failed"
say "executable  $AGENT_EXE"
say "settings    $AGENT_ROOT/Settings.ini (DEBUG=1)"
say "drive C:    $AGENT_DRIVE_C"
request=$(agent_c "Sorvenna/$owner/$owner.txt")
agent_start
say "agent started (pid $AGENT_PID); the consumer waits for C:\\Sorvenna\\$owner\\$owner.txt"

agent_wait_file "$request" 30 || fail "no request file within 30 s"
request_content=$(cat "$request")
say "request file content: '$request_content'"
if [ -f "$AGENT_SPOOL_COPY" ]; then
    copy_size=$(stat -c %s "$AGENT_SPOOL_COPY")
    if cmp -s "$AGENT_SPOOL_COPY" "$document"; then same="the printed bytes"; else same="NOT the printed bytes"; fi
    say "spool copy Xtra\\Sorvenna.dat: $copy_size bytes, $same"
else
    copy_size=missing
    same="missing"
    say "spool copy Xtra\\Sorvenna.dat: missing"
fi
rm -f "$request"
say "consumer took the request (deleted the file)"
agent_wait_exit 30
agent_rc=$?
say "agent ended with exit code $agent_rc"

# ----- 6. the day's log ----------------------------------------------------------------
log=$(agent_log_file)
step "Activity log C:\\Sorvenna\\LOG\\$(basename "${log:-none}")"
if [ -n "$log" ]; then
    tr -d '\r' <"$log" | while IFS= read -r line; do
        printf '  %s\n' "${line//$'\t'/ | }"
    done
else
    say "  (no log)"
fi

# ----- 7. release and stop ----------------------------------------------------------------
step "Release job $job and stop the server"
cups_private_release "$job"
cups_private_wait_completed "$job" "$queue" && say "job $job completed"
cups_private_stop
say "server stopped"

# ----- summary -------------------------------------------------------------------------
problems=()
[ "$request_content" = "Invoice12" ] || problems+=("request content '$request_content', not 'Invoice12'")
[ "$same" = "the printed bytes" ] || problems+=("spool copy $same")
[ "$agent_rc" -eq 0 ] || problems+=("agent exit code $agent_rc")
[ -n "$log" ] && grep -qF "Selected : C:\\Windows\\System32\\spool\\PRINTERS\\$spool_name" "$log" ||
    problems+=("log does not name $spool_name")

printf '\n==================== Summary ====================\n'
printf ' printed   job %s by %s, title "%s", on %s\n' "$job" "$owner" "$title" "$queue"
printf ' request   C:\\Sorvenna\\%s\\%s.txt held "%s"\n' "$owner" "$owner" "$request_content"
printf ' copy      %s -> Xtra\\Sorvenna.dat, %s bytes, %s\n' "$spool_name" "$copy_size" "$same"
printf ' agent     exit code %s; CUPS server stopped\n' "$agent_rc"
if [ ${#problems[@]} -eq 0 ]; then
    printf ' result    OK\n'
    printf '=================================================\n'
    exit 0
fi
printf ' result    FAILED: %s\n' "${problems[*]}"
printf '=================================================\n'
exit 1
