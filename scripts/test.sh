#!/usr/bin/env bash
# The whole test suite: installs what is missing, builds, and runs every stage.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."

scripts/install-deps.sh

passed=0
failed=0
stage() {
    local name=$1
    shift
    echo "=== $name"
    if "$@"; then
        passed=$((passed + 1))
    else
        failed=$((failed + 1))
        echo "=== $name FAILED"
    fi
}

linux_tests() {
    cmake --preset linux >/dev/null &&
        cmake --build --preset linux -j2 &&
        ctest --preset linux -j2
}

stage "Linux unit and sequence tests" linux_tests

echo "stages: $passed passed, $failed failed"
((failed == 0))
