#!/bin/bash
# Runs the agent as it is installed and plays its consumer; sourced by the
# demonstration and the end-to-end tests.
#
#   agent_install FOLDER AGENT [DEBUG]   install root FOLDER/root, prefix FOLDER/prefix
#   agent_start [ACCOUNT]                 starts the agent in the background, as ACCOUNT if given
#   agent_wait_file PATH SECONDS          waits until PATH exists
#   agent_wait_exit SECONDS               waits for the agent; its exit code (124: ended by us)
#   agent_stop                            ends an agent still running
#
# The agent's install layout: the executable in
# ROOT/Xtra/Prerequisite/rodo/vivaz/bin/, Settings.ini in ROOT, and the
# spool copy in ROOT/Xtra/Sorvenna.dat. Its drive C: is PREFIX/drive_c.

AGENT_BIN_PATH="Xtra/Prerequisite/rodo/vivaz/bin"

# Sets AGENT_ROOT, AGENT_PREFIX, AGENT_DRIVE_C, AGENT_EXE and AGENT_SPOOL_COPY for the caller.
# shellcheck disable=SC2034
agent_install() {
    local folder=$1 agent=$2 debug=${3:-1}
    AGENT_ROOT=$folder/root
    AGENT_PREFIX=$folder/prefix
    AGENT_DRIVE_C=$AGENT_PREFIX/drive_c
    AGENT_EXE=$AGENT_ROOT/$AGENT_BIN_PATH/Sorvenna
    AGENT_SPOOL_COPY=$AGENT_ROOT/Xtra/Sorvenna.dat
    AGENT_PID=
    mkdir -p "$AGENT_ROOT/$AGENT_BIN_PATH" "$AGENT_PREFIX" || return 1
    install -m 0755 "$agent" "$AGENT_EXE" || return 1
    printf '[Settings]\r\nDEBUG=%s\r\n' "$debug" >"$AGENT_ROOT/Settings.ini"
}

# The host path of a file of the agent's drive C:, from a path below C:\ written with "/".
agent_c() {
    printf '%s/%s\n' "$AGENT_DRIVE_C" "$1"
}

# The day's activity log (the newest, should the run cross midnight).
agent_log_file() {
    # shellcheck disable=SC2012  # the names are the agent's own, without blanks
    ls -t "$AGENT_DRIVE_C"/Sorvenna/LOG/invoice-spool_*.log 2>/dev/null | head -1
}

agent_start() {
    local account=${1:-}
    local run=(env "SORVENNA_PREFIX=$AGENT_PREFIX")
    if [ -n "$account" ]; then
        # The account's own rights and groups, as when it signs in.
        run=(setpriv --reuid="$account" --regid="$(id -g "$account")" --init-groups
            env "HOME=$AGENT_PREFIX" "USER=$account" "LOGNAME=$account" "SORVENNA_PREFIX=$AGENT_PREFIX")
    fi
    # The agent gives up on its consumer after about 250 seconds; nothing here waits that long.
    "${run[@]}" timeout -k 5 120 "$AGENT_EXE" </dev/null &
    AGENT_PID=$!
}

agent_wait_file() {
    local path=$1 seconds=$2 polls=0
    until [ -e "$path" ]; do
        [ "$polls" -ge $((seconds * 10)) ] && return 1
        sleep 0.1
        polls=$((polls + 1))
    done
}

agent_wait_exit() {
    local seconds=$1 polls=0 status
    [ -n "$AGENT_PID" ] || return 0
    while kill -0 "$AGENT_PID" 2>/dev/null; do
        if [ "$polls" -ge $((seconds * 10)) ]; then
            agent_stop
            return 124
        fi
        sleep 0.1
        polls=$((polls + 1))
    done
    wait "$AGENT_PID"
    status=$?
    AGENT_PID=
    return "$status"
}

agent_stop() {
    if [ -n "${AGENT_PID:-}" ]; then
        kill -TERM "$AGENT_PID" 2>/dev/null
        wait "$AGENT_PID" 2>/dev/null
        AGENT_PID=
    fi
}
