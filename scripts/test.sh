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

sanitized_tests() {
    cmake --preset sanitize >/dev/null &&
        cmake --build --preset sanitize -j2 &&
        ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1 ctest --preset sanitize -j2
}

cups_end_to_end_tests() {
    tests/cups/run-cups-tests.sh build/linux/Sorvenna
}

windows_tests() {
    bash tests/wine/run-wine-tests.sh
}

short_fuzz_runs() {
    scripts/fuzz.sh 15
}

stage "Linux unit and sequence tests" linux_tests
stage "End-to-end tests on a private CUPS server" cups_end_to_end_tests
stage "Windows build and tests under Wine" windows_tests
stage "Linux tests under AddressSanitizer and UndefinedBehaviorSanitizer" sanitized_tests
stage "Short fuzz runs" short_fuzz_runs

echo "stages: $passed passed, $failed failed"
((failed == 0))
