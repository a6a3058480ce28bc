#!/usr/bin/env bash
# Builds the threaded tests with ThreadSanitizer into the given folder and
# runs them: playback and recording (the kernel's play thread, wave-out
# callback and capture thread), the plugin preview thread, the control's peak
# builder thread, and the program's edit and import workers.
# Usage: tools/tsan.sh [build-dir]
set -euo pipefail
cd "$(dirname "$0")/.."
dir=${1:-build-tsan}
. tools/build-env.sh
cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVORLAIN_TSAN=ON -DVORLAIN_BENCH=OFF \
  "${VORLAIN_CMAKE_LAUNCHER[@]}"
cmake --build "$dir" -j"$(nproc)" --target kernel_tests brimsel_peak_tests vorlain_window_tests
export QT_QPA_PLATFORM=offscreen
export TSAN_OPTIONS=${TSAN_OPTIONS:-halt_on_error=1:second_deadlock_stack=1:suppressions=$PWD/tools/tsan.supp}
ctest --test-dir "$dir" --output-on-failure -j"$(nproc)" --timeout 600 \
  -R '^(Playback|Recording|RecordingWindow|LivePeaks|PeakBuilderTest|FileCatalogTest|SummaryStore|LongOperations|WindowFlows|WindowCommands|Plugins|PluginPreview|PluginWindow)\.'
