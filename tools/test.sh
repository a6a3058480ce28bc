#!/usr/bin/env bash
# Builds Vorlain into the given folder and runs the whole test suite there.
# Usage: tools/test.sh [build-dir] [extra cmake options...]
set -euo pipefail
cd "$(dirname "$0")/.."
dir=${1:-build}
shift || true
. tools/build-env.sh
cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "${VORLAIN_CMAKE_LAUNCHER[@]}" "$@"
cmake --build "$dir" -j"$(nproc)"
export QT_QPA_PLATFORM=offscreen
# Sanitizer runs: leaks fail the run; Qt's and PulseAudio's own one-off
# allocations are not ours to chase.
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=0}
export LSAN_OPTIONS=${LSAN_OPTIONS:-suppressions=$PWD/tools/lsan.supp}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
ctest --test-dir "$dir" --output-on-failure -j"$(nproc)" --timeout 600
