#!/bin/bash
# End-to-end tests of the Linux agent on a private CUPS server (as root):
# real print jobs on a queue "Print_to_Sorvenna", the agent run as
# installed, and a consumer played here. Every case starts a fresh server;
# every wait is bounded and the server is stopped whatever happens.
#
#   tests/cups/run-cups-tests.sh [AGENT]     (default: build/linux/Sorvenna)

set -u

repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
agent=${1:-$repo/build/linux/Sorvenna}
queue=Print_to_Sorvenna
lp_account=sorvenna-lp-test

# shellcheck source=SCRIPTDIR/../../scripts/cups-private-server.sh
source "$repo/scripts/cups-private-server.sh"
# shellcheck source=SCRIPTDIR/../../scripts/agent-harness.sh
source "$repo/scripts/agent-harness.sh"

if [ "$(id -u)" -ne 0 ]; then
    echo "run-cups-tests: run as root (it starts a CUPS server and makes a test account)" >&2
    exit 2
fi
if [ ! -x "$agent" ]; then
    echo "run-cups-tests: no agent at $agent; build it first (cmake --build --preset linux)" >&2
    exit 2
fi
for tool in lp lpadmin lpstat cupsenable cupsdisable setpriv useradd; do
    if ! command -v "$tool" >/dev/null; then
        echo "run-cups-tests: $tool is missing (packages cups-daemon, cups-client)" >&2
        exit 2
    fi
done

work=$(mktemp -d "${TMPDIR:-/tmp}/sorvenna-cups-tests.XXXXXX")
chmod 0755 "$work"
made_account=no

cleanup() {
    agent_stop
    cups_private_stop
    if [ "$made_account" = yes ]; then
        userdel "$lp_account" 2>/dev/null
    fi
    rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

passed=0
failed=0
case_failures=()

# check DESCRIPTION COMMAND...: one expectation of the running case.
check() {
    local description=$1
    shift
    if ! "$@"; then
        case_failures+=("$description")
    fi
}

equal_files() { cmp -s "$1" "$2"; }
file_holds() { [ -f "$1" ] && [ "$(cat "$1")" = "$2" ]; }
absent() { [ ! -e "$1" ]; }
log_has() { grep -qF -- "$1" "$(agent_log_file)" 2>/dev/null; }
log_lacks() { ! log_has "$1"; }
log_selects() { grep -F "new selection" "$(agent_log_file)" 2>/dev/null | grep -qF -- "$1"; }
reasons_are() { [ "$(cups_private_job_reasons "$1")" = "$2" ]; }
cannot_list_as() { ! setpriv --reuid="$1" --regid="$(id -g "$1")" --init-groups ls "$2" >/dev/null 2>&1; }

# A document of its own for each job: a few lines and some bytes that no text has.
make_document() {
    local file=$1 label=$2
    {
        printf 'Sorvenna test document %s\r\n' "$label"
        printf 'line two\n'
        printf '\x00\x01\x02\xff\xfe binary tail\n'
    } >"$file"
}

begin_case() {
    current_case=$1
    case_failures=()
    case_dir=$work/$2
    mkdir -p "$case_dir"
    chmod 0755 "$case_dir"
}

end_case() {
    agent_stop
    cups_private_stop
    if [ ${#case_failures[@]} -eq 0 ]; then
        echo "PASS $current_case"
        passed=$((passed + 1))
    else
        echo "FAIL $current_case"
        printf '     - %s\n' "${case_failures[@]}"
        if [ -n "$(agent_log_file)" ]; then
            echo "     activity log:"
            tr -d '\r' <"$(agent_log_file)" | sed 's/^/       /'
        fi
        failed=$((failed + 1))
    fi
}

start_server_with_queue() {
    cups_private_start && cups_private_add_queue "$queue"
}

# Runs the agent (as account $2 when given) and plays the consumer of the
# request file $1 (a path below C:\ with "/"): waits for it, keeps a copy of
# it as $case_dir/request, deletes it, and checks that the agent ends with 0.
run_agent_and_consume() {
    local request rc
    request=$(agent_c "$1")
    agent_start "${2:-}"
    if agent_wait_file "$request" 20; then
        cp "$request" "$case_dir/request"
        rm -f "$request"
    else
        case_failures+=("no request file C:\\${1//\//\\} within 20 s")
        # Let the agent end all the same: take whatever request it made.
        find "$AGENT_DRIVE_C/Sorvenna" -name '*.txt' -delete 2>/dev/null
    fi
    agent_wait_exit 20
    rc=$?
    check "agent exit code 0 (was $rc)" [ "$rc" -eq 0 ]
}

# ----- the cases ---------------------------------------------------------------

test_printing_job_captured() {
    begin_case "a printing job is captured" printing
    if start_server_with_queue; then
        make_document "$case_dir/invoice.prn" invoice
        local job
        job=$(cups_private_print "$queue" user1 'Invoice*12' "$case_dir/invoice.prn")
        if cups_private_wait_printing "$job"; then
            agent_install "$case_dir" "$agent" 1
            run_agent_and_consume Sorvenna/user1/user1.txt
            check "request holds the title without \"*\"" file_holds "$case_dir/request" Invoice12
            check "Sorvenna.dat holds the printed bytes" equal_files "$AGENT_SPOOL_COPY" "$case_dir/invoice.prn"
            local spool_file
            spool_file=$(printf 'C:\\Windows\\System32\\spool\\PRINTERS\\%05d.SPL' "$job")
            check "log names the expected spool file" log_has "JobID : $spool_file"
            check "log names the copy source" log_has "Selected : $spool_file"
        else
            case_failures+=("job $job never printed")
        fi
    else
        case_failures+=("private server did not start")
    fi
    end_case
}

test_two_users_printing_one_taken() {
    begin_case "two users' jobs: the printing one is taken, the one waiting is not" two-users
    if start_server_with_queue; then
        make_document "$case_dir/first.prn" first
        make_document "$case_dir/second.prn" second
        local first second
        first=$(cups_private_print "$queue" user1 'Invoice*12' "$case_dir/first.prn")
        cups_private_wait_printing "$first" || case_failures+=("job $first never printed")
        second=$(cups_private_print "$queue" user2 'Offer 7' "$case_dir/second.prn")
        check "user1's job is printing" reasons_are "$first" job-printing
        check "user2's job waits behind it" reasons_are "$second" none
        agent_install "$case_dir" "$agent" 1
        run_agent_and_consume Sorvenna/user1/user1.txt
        check "request holds user1's title" file_holds "$case_dir/request" Invoice12
        check "no folder for user2" absent "$(agent_c Sorvenna/user2)"
        check "Sorvenna.dat holds user1's bytes" equal_files "$AGENT_SPOOL_COPY" "$case_dir/first.prn"
    else
        case_failures+=("private server did not start")
    fi
    end_case
}

# The expectations when the agent finds no printing job: no owner, so the
# request file is ".txt" in the root folder, and no spool copy.
expect_nothing_taken() {
    run_agent_and_consume Sorvenna/.txt
    check "empty request" file_holds "$case_dir/request" ""
    check "no per-user folder" [ -z "$(find "$(agent_c Sorvenna)" -mindepth 1 -maxdepth 1 -type d ! -name LOG 2>/dev/null)" ]
    check "no Sorvenna.dat" absent "$AGENT_SPOOL_COPY"
    check "no JobID line" log_lacks "JobID : "
}

test_no_job_printing() {
    begin_case "no job printing (queue stopped, job pending)" none-printing
    if start_server_with_queue; then
        cupsdisable "$queue"
        make_document "$case_dir/waiting.prn" waiting
        local job
        job=$(cups_private_print "$queue" user1 'Invoice*12' "$case_dir/waiting.prn")
        check "job is waiting" reasons_are "$job" none
        agent_install "$case_dir" "$agent" 1
        expect_nothing_taken
        # The fallback search sees the waiting job's file; the copy stays with the expected (none).
        check "search reports the waiting job's file" \
            log_selects "$(printf 'C:\\Windows\\System32\\spool\\PRINTERS\\%05d.SPL' "$job")"
    else
        case_failures+=("private server did not start")
    fi
    end_case
}

test_held_job_not_taken() {
    begin_case "a held job is not taken" held
    if start_server_with_queue; then
        make_document "$case_dir/held.prn" held
        local job
        job=$(cups_private_print "$queue" user1 'Invoice*12' "$case_dir/held.prn" -H hold)
        check "job is held" reasons_are "$job" job-hold-until-specified
        agent_install "$case_dir" "$agent" 1
        expect_nothing_taken
    else
        case_failures+=("private server did not start")
    fi
    end_case
}

test_server_not_reachable() {
    begin_case "the server is not reachable" unreachable
    local started
    started=$(date +%s)
    agent_install "$case_dir" "$agent" 1
    export CUPS_SERVER=$case_dir/no-server.sock SORVENNA_CUPS_SPOOL=$case_dir/no-spool
    expect_nothing_taken
    unset CUPS_SERVER SORVENNA_CUPS_SPOOL
    check "agent done within 10 s" [ $(($(date +%s) - started)) -le 10 ]
    check "search finds nothing: no copy attempted" log_lacks "Selected : "
    end_case
}

test_agent_in_group_lp() {
    begin_case "an agent of an ordinary account in group lp" group-lp
    if ! id "$lp_account" >/dev/null 2>&1; then
        if useradd --no-create-home --shell /usr/sbin/nologin --groups lp "$lp_account"; then
            made_account=yes
        fi
    fi
    if ! id -nG "$lp_account" 2>/dev/null | grep -qw lp; then
        case_failures+=("no account $lp_account in group lp")
    elif start_server_with_queue; then
        make_document "$case_dir/own.prn" own
        # The account prints its own job, as the signed-in user does; CUPS
        # shows a job's owner and name only to that owner (and to root).
        local job
        job=$(cups_private_print "$queue" "$lp_account" 'Invoice*12' "$case_dir/own.prn")
        if cups_private_wait_printing "$job"; then
            agent_install "$case_dir" "$agent" 1
            chown -R "$lp_account" "$AGENT_ROOT" "$AGENT_PREFIX"
            check "the account cannot list the request folder" cannot_list_as "$lp_account" "$SORVENNA_CUPS_SPOOL"
            run_agent_and_consume "Sorvenna/$lp_account/$lp_account.txt" "$lp_account"
            check "request holds the title" file_holds "$case_dir/request" Invoice12
            check "expected file found and copied" equal_files "$AGENT_SPOOL_COPY" "$case_dir/own.prn"

            # No job printing now: the fallback search cannot list the folder.
            cups_private_release "$job"
            cups_private_wait_completed "$job" "$queue" || case_failures+=("job $job did not complete")
            cupsdisable "$queue"
            cups_private_print "$queue" "$lp_account" 'Later' "$case_dir/own.prn" >/dev/null
            rm -f "$(agent_log_file)"
            run_agent_and_consume Sorvenna/.txt "$lp_account"
            check "search finds nothing (\"ERROR\"): no selection" log_lacks "new selection"
            check "search finds nothing (\"ERROR\"): no copy" log_lacks "Selected : "
            check "no Sorvenna.dat" absent "$AGENT_SPOOL_COPY"
        else
            case_failures+=("job $job never printed")
        fi
    else
        case_failures+=("private server did not start")
    fi
    end_case
}

test_printing_job_captured
test_two_users_printing_one_taken
test_no_job_printing
test_held_job_not_taken
test_server_not_reachable
test_agent_in_group_lp

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
