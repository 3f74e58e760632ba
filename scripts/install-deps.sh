#!/usr/bin/env bash
# Installs the Debian packages the project needs, only those that are missing.
#   scripts/install-deps.sh [group...]   groups: build cups windows fuzz (default: all)
set -euo pipefail

declare -A groups=(
    [build]="cmake make g++ libgtest-dev python3"
    [cups]="cups-daemon cups-client libcups2-dev"
    [windows]="g++-mingw-w64-x86-64 binutils-mingw-w64-x86-64 wine wine64 python3-pil"
    [fuzz]="clang libclang-rt-14-dev"
)

wanted=()
for group in "${@:-build cups windows fuzz}"; do
    for name in $group; do
        [[ -n "${groups[$name]:-}" ]] || { echo "install-deps: unknown group '$name'" >&2; exit 2; }
        read -r -a packages <<<"${groups[$name]}"
        wanted+=("${packages[@]}")
    done
done

missing=()
for package in "${wanted[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed'; then
        missing+=("$package")
    fi
done

if ((${#missing[@]} > 0)); then
    echo "install-deps: installing ${missing[*]}"
    export DEBIAN_FRONTEND=noninteractive
    apt-get update -q
    apt-get install -y -q "${missing[@]}"
fi
