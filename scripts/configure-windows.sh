#!/usr/bin/env bash
# Configures the Windows tree in build/win (mingw-w64 toolchain, Crypto++ built for mingw once
# per machine). Called by test-windows.sh and package.sh.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
cd "$here"

cryptopp=$(./scripts/build-cryptopp-mingw.sh)
cmake -S . -B build/win -G Ninja \
  -DCMAKE_TOOLCHAIN_FILE="$here/cmake/mingw-w64-x86_64.cmake" \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DOSTREL_CRYPTOPP_MINGW_DIR="$cryptopp"
