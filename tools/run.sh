#!/usr/bin/env bash
# Builds Vorlain and starts the editor.
# Usage: tools/run.sh [audio file or .zvp project]
set -euo pipefail
args=()
for a in "$@"; do
  # The build runs from the source folder: keep the user's relative paths.
  if [ -e "$a" ]; then args+=("$(realpath "$a")"); else args+=("$a"); fi
done
cd "$(dirname "$0")/.."
. tools/build-env.sh
if [ ! -f build/CMakeCache.txt ]; then
  cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "${VORLAIN_CMAKE_LAUNCHER[@]}"
fi
cmake --build build -j"$(nproc)" --target vorlain
exec build/bin/vorlain "${args[@]}"
