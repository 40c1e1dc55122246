#!/usr/bin/env bash
# Builds the Windows tree (mingw-w64) in build/win and runs every test registered there under
# Wine, with one wineserver kept alive for the whole run and stopped at the end, also when a
# step fails. Called by scripts/test.sh.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
cd "$here"
started=$(date +%s)

build=$here/build/win
prefix=$build/wineprefix
jobs=${OSTREL_JOBS:-2}

./scripts/configure-windows.sh
# Everything, the installer package included.
cmake --build "$build" -j "$jobs"

# What we build must import system DLLs only (no mingw runtime DLLs): every imported DLL is
# either one the Wine prefix's system32 provides or one built in this tree.
./scripts/wine-run.sh --prefix="$prefix" --init
./scripts/check-windows-imports.sh "$build" "$prefix/drive_c/windows/system32"

export WINEPREFIX=$prefix WINEARCH=win64 WINEDEBUG=-all
finish() {
  rc=$?
  wineserver -k 2>/dev/null || true
  echo "test-windows: $( [ $rc = 0 ] && echo passed || echo FAILED ) in $(( $(date +%s) - started )) s"
  exit $rc
}
trap finish EXIT
./scripts/wine-run.sh --prefix="$prefix" --start
ctest --test-dir "$build" --output-on-failure -j "$jobs"
