#!/usr/bin/env bash
# Runs a Windows program under Wine in a private prefix; CTest's emulator for the Windows build.
#   wine-run.sh [--prefix=DIR] program.exe [arguments...]
#   wine-run.sh [--prefix=DIR] --init     only make sure the prefix exists
#   wine-run.sh [--prefix=DIR] --start    also start a wineserver that stays until `wineserver -k`
#   wine-run.sh --prefix=DIR --fresh-from=BASE program.exe [arguments...]
#                                         run in DIR, made anew for this run from BASE as it was
#                                         before anything ran in it, with its own wineserver;
#                                         DIR is removed afterwards
# The prefix defaults to build/win/wineprefix of this clone. It is made on first use:
# wineboot, then the null graphics driver (windows and dialogs without a display), then the
# prefix's wineserver is stopped so that the driver setting takes effect. A copy of it at that
# point is kept as DIR.pristine for the fresh prefixes.
#
# A fresh wineserver starts the prefix's services (services.exe, rpcss, plugplay...) with the
# first program. Those live as long as the server and keep whatever output they inherited
# open, so a test that happened to start them would never seem to end to CTest. The server is
# therefore started here, with its services, outside any test's output; programs run after.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)

prefix=${OSTREL_WINEPREFIX:-$here/build/win/wineprefix}
case "${1:-}" in
  --prefix=*) prefix=${1#--prefix=}; shift ;;
esac

export WINEARCH=win64 WINEDEBUG=-all

# Raise when the set-up below changes, so that existing prefixes are made again.
setup_version=4
prefix_ready() {
  [ "$(cat "$prefix/.ostrel-ready" 2>/dev/null)" = "$setup_version" ] && [ -d "$prefix.pristine" ]
}

ensure_prefix() {
  prefix_ready && return 0
  (
    # Built under another name and renamed at the end, so that an interrupted set-up
    # is never taken for a finished prefix.
    local tmp="$prefix.new"
    rm -rf "$tmp"
    (
      export WINEPREFIX=$tmp
      # No Mono or Gecko installers (nothing here needs them, and they would ask questions),
      # no desktop menu entries.
      WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d" wineboot -i >/dev/null 2>&1
      wine reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f >/dev/null
      # A crashing test prints its backtrace and ends, instead of waiting behind a crash
      # dialog that nobody can click until its timeout.
      wine reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f >/dev/null
      wineserver -k || true
      wineserver -w
    )
    grep -q '"Graphics"="null"' "$tmp/user.reg"
    echo "$setup_version" > "$tmp/.ostrel-ready"
    rm -rf "$tmp.pristine"
    cp -a "$tmp" "$tmp.pristine"
    if [ -d "$prefix" ]; then
      (export WINEPREFIX=$prefix; wineserver -k 2>/dev/null || true; wineserver -w)
      rm -rf "$prefix"
    fi
    rm -rf "$prefix.pristine"
    mv "$tmp.pristine" "$prefix.pristine"
    mv "$tmp" "$prefix"
  ) 8>&-
}

# Starts the prefix's server (persisting for the given seconds after its last client, or for
# good with an empty argument) and its services, unless one is running already.
start_server() {
  local linger=$1
  if wineserver -p"$linger" </dev/null >/dev/null 2>&1 8>&-; then
    wine cmd /c exit 0 </dev/null >/dev/null 2>&1 8>&- || true
  fi
}

# DIR anew from BASE.pristine, as hard links (695 MB copied would cost seconds): programs
# add files to a prefix rather than rewrite its own, but the registry files and the Windows
# folder's .ini files are rewritten, so those are copies.
make_fresh_prefix() {
  local base=$1
  (export WINEPREFIX=$prefix; wineserver -k 2>/dev/null || true; wineserver -w 2>/dev/null || true)
  rm -rf "$prefix"
  cp -al "$base.pristine" "$prefix"
  local f
  for f in "$base.pristine"/*.reg "$base.pristine"/drive_c/windows/*.ini; do
    if [ -f "$f" ]; then cp --remove-destination "$f" "$prefix/${f#"$base.pristine"/}"; fi
  done
}

fresh_from=
case "${1:-}" in
  --fresh-from=*) fresh_from=${1#--fresh-from=}; shift ;;
esac

mode=run
case "${1:-}" in
  --init) mode=init ;;
  --start) mode=start ;;
  "") echo "usage: $0 [--prefix=DIR [--fresh-from=BASE]] {program.exe [arguments...] | --init | --start}" >&2; exit 2 ;;
esac

if [ -n "$fresh_from" ]; then
  [ $mode = run ] || { echo "$0: --fresh-from runs a program" >&2; exit 2; }
  # The base prefix (and its pristine copy) exists first.
  "$0" --prefix="$fresh_from" --init
  make_fresh_prefix "$fresh_from"
  export WINEPREFIX=$prefix
  start_server 5
  status=0
  wine "$@" || status=$?
  wineserver -k 2>/dev/null || true
  wineserver -w
  rm -rf "$prefix"
  exit $status
fi

mkdir -p "$(dirname "$prefix")"
# Tests may start in parallel: one of them sets things up, the others wait for it.
exec 8>"$prefix.lock"
flock 8
ensure_prefix
export WINEPREFIX=$prefix
case $mode in
  init) exit 0 ;;
  start) start_server "" ; exit 0 ;;
esac
start_server 30
flock -u 8
exec 8>&-
exec wine "$@"
