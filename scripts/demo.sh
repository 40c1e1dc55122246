#!/usr/bin/env bash
# The main job on its embedded default: builds the native tree and runs the demo.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
cd "$here"
OSTREL_NATIVE_ONLY=1 ./scripts/setup.sh
cmake -S . -B build/native -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build/native -j "$(nproc)" --target ostrel-demo >/dev/null
./build/native/tools/demo/ostrel-demo
