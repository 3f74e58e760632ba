#!/usr/bin/env bash
# The Windows tests: builds the Windows agent with mingw-w64 (preset "mingw",
# or into the build folder given), checks the resources and imports of the
# built Sorvenna.exe, and runs the platform tests and the agent under Wine.
#
# usage: tests/wine/run-wine-tests.sh [BUILD_FOLDER]   (default build/mingw)
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/../.."

build=${1:-build/mingw}
if [[ -f $build/CMakeCache.txt ]]; then
    cmake "$build" >/dev/null
elif [[ $build == build/mingw ]]; then
    cmake --preset mingw >/dev/null
else
    cmake -S . -B "$build" -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake -DCMAKE_BUILD_TYPE=Release >/dev/null
fi
cmake --build "$build" -j2 --target Sorvenna stand_in_spooler sorvenna_platform_tests

echo "--- DLLs that $build/Sorvenna.exe imports"
x86_64-w64-mingw32-objdump -p "$build/Sorvenna.exe" | grep 'DLL Name' || true

status=0
echo "--- resources and imports of $build/Sorvenna.exe"
python3 tests/wine/check-resources.py "$build/Sorvenna.exe" || status=1
echo "--- under Wine"
python3 tests/wine/wine-tests.py "$build/Sorvenna.exe" "$build/tests/wine/winspool.drv" \
    "$build/tests/wine/sorvenna_platform_tests.exe" || status=1
exit $status
