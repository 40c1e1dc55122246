#!/usr/bin/env bash
# Builds every tree and runs every test suite: the native build, then the Windows build
# under Wine. Installs what it needs first.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
cd "$here"
./scripts/setup.sh

jobs=$(nproc)
cmake -S . -B build/native -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build/native -j "$jobs"
ctest --test-dir build/native --output-on-failure -j "$jobs"

if [ -x scripts/test-windows.sh ] && [ "${OSTREL_NATIVE_ONLY:-0}" != 1 ]; then
  ./scripts/test-windows.sh
fi
