#!/usr/bin/env bash
# Regenerates the pictures of docs/user-guide.md (docs/images/*.png): builds the wizard_tour
# program of the Windows tree (configuring build/win first when needed), runs it under Xvfb in a
# Wine prefix of its own with the X11 driver (build/win/wineprefix-shots; the test prefix has no
# display) next to a running Notepad, and turns the bitmaps it writes into small palette PNGs.
# Not part of the tests.
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

[ -f "$build/build.ninja" ] || ./scripts/configure-windows.sh
cmake --build "$build" -j "$jobs" --target wizard_tour

shots=$(mktemp -d)
xvfb=
notepad=  # the Windows process id of the Notepad started before the tour
# A process's Windows id, from the prefix's own process list.
windows_pid() {
  wine wmic process get name,processid 2>/dev/null | iconv -f UTF-16 -t UTF-8 | tr -d '\r' |
    awk -v name="$1" 'tolower($1) == name { print $2 }'
}
stop_notepad() {
  [ -z "$notepad" ] || wine taskkill /pid "$notepad" >/dev/null 2>&1 || true
  notepad=
}
finish() {
  rc=$?
  stop_notepad
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

# The Running Processes tab lists what runs in the prefix, the tour included. So that it shows
# what an administrator would see rather than the build tree, the tour runs from a folder of
# Program Files under a made-up program's name, with the snap-in's module and the console's
# notify module next to it, and Notepad has a document open, minimised. Every vendor, program
# and user name here is invented.
app_dir='C:\Program Files\Brannock Software\Survey Desk'
app_exe=surveydesk.exe
document='C:\users\mhalloran\Documents\rollout-notes.txt'
unix_path() { local p=${1#C:\\}; echo "$prefix/drive_c/${p//\\//}"; }
mkdir -p "$(unix_path "$app_dir")" "$(dirname "$(unix_path "$document")")"
cp -f "$build/scripts/screenshots/wizard_tour.exe" "$(unix_path "$app_dir\\$app_exe")"
for module in osadmmc.dll mmcndmgr.dll; do cp -f "$build/scripts/screenshots/$module" "$(unix_path "$app_dir")/"; done
printf 'Rollout notes\r\n' >"$(unix_path "$document")"

[ -z "$(windows_pid notepad.exe)" ] || { echo "screenshots: a Notepad already runs in $prefix" >&2; exit 1; }
wine start /min notepad.exe "$document"
notepad=$(windows_pid notepad.exe)
[ -n "$notepad" ] || { echo "screenshots: Notepad did not start" >&2; exit 1; }

# Pictures taken before a failure are still converted; a hang ends after five minutes.
tour=0
(cd "$(unix_path "$app_dir")" && OSTREL_SHOTS="Z:${shots//\//\\}" timeout 300 wine "$app_dir\\$app_exe") || tour=$?
stop_notepad

mkdir -p "$out"
for bmp in "$shots"/*.bmp; do
  name=$(basename "$bmp" .bmp)
  # 64 colours are plenty for dialogs; no time stamps, so an unchanged picture stays unchanged.
  "$convert" "$bmp" -strip -colors 64 -define png:exclude-chunks=date,time "PNG8:$out/$name.png"
done
ls -l "$out"
[ $tour = 0 ] || { echo "screenshots: wizard_tour failed ($tour)" >&2; exit $tour; }
