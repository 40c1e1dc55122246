#!/usr/bin/env bash
# Installs everything the builds and tests need on a Debian 12 machine.
# Safe to run again: packages already present are left alone.
set -euo pipefail

# One set-up at a time on a machine: apt and dpkg refuse concurrent runs.
exec 9>/tmp/ostrel-setup.lock
flock 9

native_pkgs=(cmake g++ make ninja-build libcrypto++-dev googletest libgtest-dev libgmock-dev
             libbenchmark-dev uuid-dev python3 clang libclang-rt-14-dev)
windows_pkgs=(g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 mingw-w64-tools
              wine wine64 dpkg-dev xvfb wixl msitools)

want=("${native_pkgs[@]}")
[ "${OSTREL_NATIVE_ONLY:-0}" = 1 ] || want+=("${windows_pkgs[@]}")

missing=()
for p in "${want[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done

# The Windows build compiles Crypto++ from Debian's source package, so apt needs a deb-src entry.
src_list=/etc/apt/sources.list.d/ostrel-deb-src.sources
need_update=0
if [ ! -f "$src_list" ]; then
  cat > "$src_list" <<'SRC'
Types: deb-src
URIs: http://deb.debian.org/debian
Suites: bookworm bookworm-updates
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
SRC
  need_update=1
fi
# The entry alone is not enough when apt's source index is missing (lists cleaned or never fetched).
if [ "${OSTREL_NATIVE_ONLY:-0}" != 1 ] &&
   ! apt-cache showsrc libcrypto++ 2>/dev/null | grep -q '^Package: libcrypto++$'; then
  need_update=1
fi

if [ ${#missing[@]} -gt 0 ] || [ $need_update = 1 ]; then
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  if [ ${#missing[@]} -gt 0 ]; then
    echo "setup: installing ${missing[*]}"
    apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
  fi
fi
