#!/usr/bin/env bash
# Builds the installer package from the Windows build and prints its path: osadmmc.dll and
# ostrel-policy.exe under Program Files, registered for the console, per machine. Install it
# silently with `msiexec /i <package> /qn`; remove it with `msiexec /x <package> /qn`.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
cd "$here"
./scripts/setup.sh
./scripts/configure-windows.sh >/dev/null
cmake --build build/win -j "${OSTREL_JOBS:-2}" --target ostrel_package >/dev/null
package=$(ls -t build/win/packaging/ostrel-ad-*-x64.msi | head -n 1)
echo "package: $package ($(wc -c < "$package") bytes)" >&2
echo "$package"
