#!/bin/bash
# A private CUPS server for the demonstration and the end-to-end tests.
#
# It has its own configuration, spool, cache, state and log folders and its
# own Unix domain socket, all in one temporary folder; it listens on nothing
# else and leaves the machine's CUPS alone. Its queues print through the
# project's hold backend (scripts/cups/sorvenna-hold), which keeps each job
# printing until it is released.
#
# Use it from another script (as root):
#
#   source scripts/cups-private-server.sh
#   trap cups_private_stop EXIT
#   cups_private_start                      # exports CUPS_SERVER, SORVENNA_CUPS_SPOOL
#   cups_private_add_queue Print_to_Sorvenna
#   id=$(cups_private_print Print_to_Sorvenna user1 'Invoice*12' file)
#   cups_private_wait_printing "$id"
#   ...
#   cups_private_release "$id"
#   cups_private_stop
#
# or on its own, to run one command beside a private server:
#
#   scripts/cups-private-server.sh run COMMAND [ARG...]

# Seconds any wait of this file may take before it gives up.
CUPS_PRIVATE_TIMEOUT=${CUPS_PRIVATE_TIMEOUT:-30}

cups_private_source_dir() {
    cd "$(dirname "${BASH_SOURCE[0]}")" && pwd
}
CUPS_PRIVATE_SCRIPTS=$(cups_private_source_dir)

cups_private_log() {
    printf '%s\n' "$*" >&2
}

# Writes the configuration of a server whose folders all lie in $1.
cups_private_write_config() {
    local base=$1
    cat >"$base/conf/cups-files.conf" <<EOF
ServerRoot $base/conf
ServerBin $base/bin
DataDir /usr/share/cups
DocumentRoot $base/doc
RequestRoot $base/spool
TempDir $base/spool/tmp
CacheDir $base/cache
StateDir $base/state
ServerKeychain $base/conf/ssl
Printcap $base/state/printcap
ErrorLog $base/log/error_log
AccessLog $base/log/access_log
PageLog $base/log/page_log
User lp
Group lp
SystemGroup root
FileDevice No
EOF
    # Administration (lpadmin, cupsdisable) needs root, known to the server
    # through the socket's peer credentials; printing and queries need no one.
    cat >"$base/conf/cupsd.conf" <<EOF
LogLevel info
MaxLogSize 0
ErrorPolicy stop-printer
Listen $base/cupsd.sock
Browsing No
BrowseLocalProtocols none
DefaultAuthType Basic
WebInterface No
PreserveJobFiles Yes
PreserveJobHistory Yes
<Location />
  Order allow,deny
  Allow localhost
</Location>
<Policy default>
  JobPrivateAccess default
  JobPrivateValues default
  SubscriptionPrivateAccess default
  SubscriptionPrivateValues default
  <Limit Create-Job Print-Job Print-URI Validate-Job>
    Order deny,allow
  </Limit>
  <Limit Send-Document Send-URI Hold-Job Release-Job Restart-Job Purge-Jobs Set-Job-Attributes Create-Job-Subscription Renew-Subscription Cancel-Subscription Get-Notifications Reprocess-Job Cancel-Current-Job Suspend-Current-Job Resume-Job Cancel-My-Jobs Close-Job CUPS-Move-Job>
    Require user @OWNER @SYSTEM
    Order deny,allow
  </Limit>
  <Limit CUPS-Get-Document CUPS-Add-Modify-Printer CUPS-Delete-Printer CUPS-Add-Modify-Class CUPS-Delete-Class CUPS-Set-Default CUPS-Get-Devices Pause-Printer Resume-Printer Enable-Printer Disable-Printer Pause-Printer-After-Current-Job Hold-New-Jobs Release-Held-New-Jobs Deactivate-Printer Activate-Printer Restart-Printer Shutdown-Printer Startup-Printer Promote-Job Schedule-Job-After Cancel-Jobs CUPS-Accept-Jobs CUPS-Reject-Jobs Cancel-Job CUPS-Authenticate-Job>
    AuthType Default
    Require user @SYSTEM
    Order deny,allow
  </Limit>
  <Limit All>
    Order deny,allow
  </Limit>
</Policy>
EOF
}

# The server's programs: the system's, and our backend in place of its
# backends. A copy, because cupsd runs as root a backend that only root
# may run, and only when root owns it and no one else may change it.
cups_private_make_server_bin() {
    local base=$1 entry
    mkdir -p "$base/bin/backend"
    for entry in /usr/lib/cups/*; do
        [ "$(basename "$entry")" = backend ] && continue
        ln -s "$entry" "$base/bin/$(basename "$entry")"
    done
    install -m 0700 "$CUPS_PRIVATE_SCRIPTS/cups/sorvenna-hold" "$base/bin/backend/sorvenna-hold"
}

# Starts the server and waits until it answers. Exports CUPS_SERVER (the
# socket, for every CUPS client) and SORVENNA_CUPS_SPOOL (its request folder).
cups_private_start() {
    if [ -n "${CUPS_PRIVATE_BASE:-}" ]; then
        cups_private_log "cups-private-server: already started in $CUPS_PRIVATE_BASE"
        return 1
    fi
    local base
    base=$(mktemp -d "${TMPDIR:-/tmp}/sorvenna-cups.XXXXXX") || return 1
    CUPS_PRIVATE_BASE=$base
    # Others may pass through (an agent in group lp opens a job's file by
    # name); the server itself keeps the request folder closed.
    chmod 0755 "$base"
    mkdir -p "$base/conf/ssl" "$base/doc" "$base/spool/tmp" "$base/cache" "$base/state" "$base/log" \
        "$base/release" "$base/started" "$base/backends"
    chmod 1777 "$base/release"
    cups_private_write_config "$base"
    cups_private_make_server_bin "$base"
    # The system's security profile for cupsd allows only the system's own
    # folders; the private server runs a copy of the program, under no profile.
    install -m 0755 /usr/sbin/cupsd "$base/cupsd"

    if ! "$base/cupsd" -t -c "$base/conf/cupsd.conf" -s "$base/conf/cups-files.conf" >"$base/log/config-test" 2>&1; then
        cups_private_log "cups-private-server: configuration refused:"
        cat "$base/log/config-test" >&2
        return 1
    fi
    "$base/cupsd" -f -c "$base/conf/cupsd.conf" -s "$base/conf/cups-files.conf" \
        </dev/null >"$base/log/cupsd.out" 2>&1 &
    CUPS_PRIVATE_PID=$!
    export CUPS_SERVER=$base/cupsd.sock
    export SORVENNA_CUPS_SPOOL=$base/spool
    export CUPS_PRIVATE_BASE CUPS_PRIVATE_PID

    local waited=0
    # lpstat -r ends with 0 either way: its words tell.
    until [ "$(lpstat -r 2>/dev/null)" = "scheduler is running" ]; do
        if ! kill -0 "$CUPS_PRIVATE_PID" 2>/dev/null; then
            cups_private_log "cups-private-server: cupsd ended at start:"
            cat "$base/log/cupsd.out" "$base/log/error_log" >&2 2>/dev/null
            return 1
        fi
        if [ "$waited" -ge $((CUPS_PRIVATE_TIMEOUT * 10)) ]; then
            cups_private_log "cups-private-server: no answer within ${CUPS_PRIVATE_TIMEOUT} s"
            return 1
        fi
        sleep 0.1
        waited=$((waited + 1))
    done
}

# Stops the server and whatever backend it left, and removes its folder.
# Safe to call more than once, and when start failed half-way.
cups_private_stop() {
    local base=${CUPS_PRIVATE_BASE:-} pid=${CUPS_PRIVATE_PID:-} waited file
    # Jobs released first: their backends end, and cupsd collects them.
    if [ -n "$base" ] && [ -d "$base/release" ]; then
        : >"$base/release/all"
        waited=0
        while [ -n "$(ls -A "$base/backends" 2>/dev/null)" ] && [ "$waited" -lt 50 ]; do
            sleep 0.1
            waited=$((waited + 1))
        done
    fi
    if [ -n "$pid" ] && kill -0 "$pid" 2>/dev/null; then
        kill -TERM "$pid" 2>/dev/null
        waited=0
        while kill -0 "$pid" 2>/dev/null && [ "$waited" -lt 100 ]; do
            sleep 0.1
            waited=$((waited + 1))
        done
        kill -KILL "$pid" 2>/dev/null
        wait "$pid" 2>/dev/null
    fi
    if [ -n "$base" ] && [ -d "$base/backends" ]; then
        # Each hold backend recorded its process id; one still waiting is ended.
        for file in "$base"/backends/*; do
            [ -f "$file" ] || continue
            pid=$(cat "$file")
            [ -n "$pid" ] && kill -TERM "$pid" 2>/dev/null
        done
    fi
    if [ -n "$base" ] && [ -d "$base" ]; then
        rm -rf "$base"
    fi
    unset CUPS_PRIVATE_BASE CUPS_PRIVATE_PID CUPS_SERVER SORVENNA_CUPS_SPOOL
    return 0
}

# Creates queue $1, raw (no driver), printing through the hold backend.
cups_private_add_queue() {
    lpadmin -p "$1" -E -v "sorvenna-hold:$CUPS_PRIVATE_BASE/release" &&
        cupsaccept "$1" && cupsenable "$1"
}

# Prints file $4 on queue $1 as user $2 with title $3, more lp options after
# it; prints the job id.
cups_private_print() {
    local queue=$1 user=$2 title=$3 file=$4 answer
    shift 4
    answer=$(lp -d "$queue" -U "$user" -t "$title" "$@" -- "$file") || return 1
    # "request id is Print_to_Sorvenna-7 (1 file(s))"
    answer=${answer#*request id is "$queue"-}
    printf '%s\n' "${answer%% *}"
}

# The job-state-reasons of job $1 as lpstat lists them ("job-printing",
# "job-hold-until-specified", "none", ...).
cups_private_job_reasons() {
    lpstat -l -o 2>/dev/null | awk -v job="-$1" '
        /^[^ \t]/ { current = (substr($1, length($1) - length(job) + 1) == job) }
        current && $1 == "Alerts:" { $1 = ""; sub(/^ /, ""); print }'
}

# Waits until the hold backend has started on job $1: the job is printing.
cups_private_wait_printing() {
    local job=$1 waited=0
    until [ -e "$CUPS_PRIVATE_BASE/started/$job" ]; do
        if [ "$waited" -ge $((CUPS_PRIVATE_TIMEOUT * 10)) ]; then
            cups_private_log "cups-private-server: job $job not printing within ${CUPS_PRIVATE_TIMEOUT} s"
            lpstat -l -o >&2
            tail -n 20 "$CUPS_PRIVATE_BASE/log/error_log" >&2
            return 1
        fi
        sleep 0.1
        waited=$((waited + 1))
    done
}

# Lets job $1 finish printing ("all" lets every job, now and later, finish).
cups_private_release() {
    : >"$CUPS_PRIVATE_BASE/release/$1"
}

# Waits until job $1 is no longer in the queue's not-completed jobs.
cups_private_wait_completed() {
    local job=$1 queue=$2 waited=0
    while lpstat -o "$queue" 2>/dev/null | grep -q -- "^$queue-$job "; do
        if [ "$waited" -ge $((CUPS_PRIVATE_TIMEOUT * 10)) ]; then
            cups_private_log "cups-private-server: job $job not completed within ${CUPS_PRIVATE_TIMEOUT} s"
            return 1
        fi
        sleep 0.1
        waited=$((waited + 1))
    done
}

if [ "${BASH_SOURCE[0]}" = "$0" ]; then
    set -u
    if [ "${1:-}" != run ] || [ $# -lt 2 ]; then
        echo "usage: $0 run COMMAND [ARG...]   (as root; CUPS_SERVER is set for COMMAND)" >&2
        exit 2
    fi
    shift
    trap cups_private_stop EXIT
    trap 'exit 130' INT TERM
    cups_private_start || exit 1
    "$@"
fi
