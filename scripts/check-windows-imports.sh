#!/usr/bin/env bash
# Checks that every .exe and .dll of a Windows build tree imports only system DLLs (those in
# the given system32 directory) or DLLs built in the same tree.
#   check-windows-imports.sh BUILD_DIR SYSTEM32_DIR
set -euo pipefail
build=$1
system32=$2
objdump=${OSTREL_MINGW_OBJDUMP:-x86_64-w64-mingw32-objdump}

mapfile -t binaries < <(find "$build" \( -path "$build/wineprefix*" -o -name CMakeFiles \) -prune -o \
                             -type f \( -iname '*.exe' -o -iname '*.dll' \) -print | sort)
declare -A own=()
for b in "${binaries[@]}"; do own[$(basename "${b,,}")]=1; done

bad=0
for b in "${binaries[@]}"; do
  while read -r dll; do
    lower=${dll,,}
    [ -n "${own[$lower]:-}" ] && continue
    if [ -z "$(find "$system32" -maxdepth 1 -iname "$dll" -print -quit)" ]; then
      echo "check-windows-imports: ${b#"$build"/} imports $dll, which is not a system DLL" >&2
      bad=1
    fi
  done < <("$objdump" -p "$b" | sed -n 's/^[[:space:]]*DLL Name: //p')
done
[ $bad = 0 ] && echo "check-windows-imports: ${#binaries[@]} binaries import system DLLs only"
exit $bad
