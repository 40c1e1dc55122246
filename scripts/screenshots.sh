#!/usr/bin/env bash
# Regenerates the pictures of docs/user-guide.md (docs/images/*.png): builds the wizard_tour
# program of the Windows tree (configuring build/win first when needed), runs it under Xvfb in a
# Wine prefix of its own with the X11 driver (build/win/wineprefix-shots; the test prefix has no
# display), and turns the bitmaps it writes into small palette PNGs. Not part of the tests.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
cd "$here"

build=$here/build/win
prefix=$build/wineprefix-shots
out=$here/docs/images
jobs=${OSTREL_JOBS:-2}

missing=()
command -v Xvfb >/dev/null || missing+=(xvfb)
# Wine's own fonts; Marlett draws the caption buttons.
[ -f /usr/share/wine/fonts/marlett.ttf ] || missing+=(fonts-wine)
# ImageMagick's own convert, whatever else of that name comes first on PATH.
convert=/usr/bin/convert
"$convert" -version 2>/dev/null | grep -q ImageMagick || missing+=(imagemagick)
if [ ${#missing[@]} -gt 0 ]; then
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

if [ ! -f "$build/build.ninja" ]; then
  cryptopp=$(./scripts/build-cryptopp-mingw.sh)
  cmake -S . -B "$build" -G Ninja \
    -DCMAKE_TOOLCHAIN_FILE="$here/cmake/mingw-w64-x86_64.cmake" \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DOSTREL_CRYPTOPP_MINGW_DIR="$cryptopp"
fi
cmake --build "$build" -j "$jobs" --target wizard_tour

shots=$(mktemp -d)
xvfb=
finish() {
  rc=$?
  wineserver -k 2>/dev/null || true
  [ -z "$xvfb" ] || kill "$xvfb" 2>/dev/null || true
  rm -rf "$shots"
  exit $rc
}
trap finish EXIT

# A display of our own for everything Wine does here, the prefix's set-up included.
display=90
while [ -e "/tmp/.X$display-lock" ]; do display=$((display + 1)); done
Xvfb ":$display" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
for _ in $(seq 50); do [ -e "/tmp/.X11-unix/X$display" ] && break; sleep 0.1; done
export DISPLAY=:$display

export WINEPREFIX=$prefix WINEARCH=win64 WINEDEBUG=-all
if [ ! -f "$prefix/.ostrel-shots" ]; then
  rm -rf "$prefix"
  WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d" wineboot -i >/dev/null 2>&1
  # Xvfb runs no window manager: Wine draws the frames and captions itself.
  wine reg add 'HKCU\Software\Wine\X11 Driver' /v Decorated /d N /f >/dev/null
  wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null
  wine reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f >/dev/null
  wineserver -k 2>/dev/null || true
  wineserver -w
  touch "$prefix/.ostrel-shots"
fi
# Without Marlett in the prefix the caption's close button shows a letter.
cp -n /usr/share/wine/fonts/marlett.ttf "$prefix/drive_c/windows/Fonts/"

# Pictures taken before a failure are still converted; a hang ends after five minutes.
tour=0
timeout 300 wine "$build/scripts/screenshots/wizard_tour.exe" "Z:${shots//\//\\}" || tour=$?

mkdir -p "$out"
for bmp in "$shots"/*.bmp; do
  name=$(basename "$bmp" .bmp)
  # 64 colours are plenty for dialogs; no time stamps, so an unchanged picture stays unchanged.
  "$convert" "$bmp" -strip -colors 64 -define png:exclude-chunks=date,time "PNG8:$out/$name.png"
done
ls -l "$out"
[ $tour = 0 ] || { echo "screenshots: wizard_tour failed ($tour)" >&2; exit $tour; }
