#!/usr/bin/env bash
# The main job on its embedded default: builds ostrel-policy and uses it on a fresh GPO folder
# in the build tree, as an administrator would: a hash rule for a small program that this
# script writes, a path rule with command lines and its own accounts and privileges, then
# the list of rules, the policy exported to a JSON file and applied to a second folder, and
# what the folder holds.
# OSTREL_BUILD_DIR chooses the build tree (default build/native).
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
cd "$here"
build=${OSTREL_BUILD_DIR:-build/native}
OSTREL_NATIVE_ONLY=1 ./scripts/setup.sh
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j "$(nproc)" --target ostrel-policy >/dev/null

tool=$build/tools/ostrel-policy/ostrel-policy
gpo=$build/demo/gpo
rm -rf "$build/demo"
mkdir -p "$build/demo"
app=$build/demo/backup-tool.exe
printf 'MZ demo backup tool\n' > "$app"

step() {
  printf '\n$ ostrel-policy'
  for a in "$@"; do
    case $a in *[\ \\\'*]*) printf " '%s'" "$a" ;; *) printf ' %s' "$a" ;; esac
  done
  printf '\n'
  "$tool" "$@"
}

step --gpo "$gpo" add-hash "$app" \
  --command-line 'backup-tool.exe /full' --command-line 'backup-tool.exe /verify' \
  --privilege SeBackupPrivilege
step --gpo "$gpo" add-path '%ProgramFiles%\Acme\Updater\*.exe' --ownership-check \
  --command-line '%ProgramFiles%\Acme\Updater\update.exe /silent' \
  --user 'CORP\Helpdesk=S-1-5-21-1004336348-1177238915-682003330-1105,domain' \
  --sid-to-delete 'BUILTIN\Guests=S-1-5-32-546'
step --gpo "$gpo" list
step --gpo "$gpo" export "$build/demo/policy.json"
step --gpo "$build/demo/copy" import "$build/demo/policy.json"
step --gpo "$build/demo/copy" import "$build/demo/policy.json"

printf '\n%s:\n' "$gpo/gpt.ini"
tr -d '\r' < "$gpo/gpt.ini"
printf '\n%s: %s bytes\n' "$gpo/Machine/Registry.pol" "$(wc -c < "$gpo/Machine/Registry.pol")"
