#!/usr/bin/env bash
# Builds Vorlain and starts the editor. Until the program lands, this builds
# the libraries and says so.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVORLAIN_TESTS=OFF
cmake --build build -j"$(nproc)"
if [ -x build/bin/vorlain ]; then
  exec build/bin/vorlain "$@"
fi
echo "Built the Vorlain libraries into build/bin. The editor program comes in a later release."
