#!/usr/bin/env bash
# Checks the formatting of every C++ file and runs clang-tidy over the Linux
# build's sources (the Windows-only files are checked by their compiler).
#   scripts/lint.sh
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."

git ls-files '*.cpp' '*.h' | xargs clang-format --dry-run -Werror
cmake --preset linux >/dev/null
git ls-files 'app/*.cpp' 'capture/*.cpp' 'diag/*.cpp' 'common/*.cpp' | grep -v -- '-win32\.cpp$' |
    xargs -n 8 clang-tidy -p build/linux --quiet
echo "lint: clean"
