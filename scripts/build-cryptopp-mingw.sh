#!/usr/bin/env bash
# Builds Crypto++ for the Windows build (mingw-w64, x86_64, posix threads) from Debian's source
# package of the same version as the installed libcrypto++-dev, so that both builds hash with
# the same library. The result is cached outside the clone, keyed by that version:
#   ${XDG_CACHE_HOME:-$HOME/.cache}/ostrel/cryptopp-<version>-mingw64/{include/cryptopp,lib/libcryptopp.a}
# and reused when present. Prints the cache directory on standard output; progress goes to
# standard error.
set -euo pipefail

jobs=${OSTREL_JOBS:-2}
cxx=${OSTREL_MINGW_CXX:-x86_64-w64-mingw32-g++-posix}
ar=${OSTREL_MINGW_AR:-x86_64-w64-mingw32-ar}

version=$(dpkg-query -W -f='${Version}' libcrypto++-dev)
[ -n "$version" ] || { echo "build-cryptopp-mingw: libcrypto++-dev is not installed" >&2; exit 1; }
cache=${XDG_CACHE_HOME:-$HOME/.cache}/ostrel
dest=$cache/cryptopp-${version//:/_}-mingw64

done_marker() { [ -f "$dest/lib/libcryptopp.a" ] && [ -f "$dest/include/cryptopp/sha.h" ]; }
if done_marker; then
  echo "$dest"
  exit 0
fi

mkdir -p "$cache"
# One build per machine at a time; whoever waits finds the finished cache afterwards.
exec 9>"$dest.lock"
flock 9
if done_marker; then
  echo "$dest"
  exit 0
fi

started=$(date +%s)
work=$(mktemp -d "$cache/.cryptopp-build.XXXXXX")
trap 'rm -rf "$work"' EXIT
echo "build-cryptopp-mingw: building Crypto++ $version for mingw-w64 in $work" >&2

(cd "$work" && apt-get source -qq "libcrypto++=$version" >/dev/null 2>"$work/apt.log") || {
  cat "$work/apt.log" >&2
  echo "build-cryptopp-mingw: apt-get source failed; does scripts/setup.sh's deb-src entry exist?" >&2
  exit 1
}
src=$(find "$work" -mindepth 1 -maxdepth 1 -type d -name 'libcrypto++-*' | head -n 1)
[ -n "$src" ] || { echo "build-cryptopp-mingw: no source tree unpacked" >&2; exit 1; }

# Portable C++ only, no assembly or intrinsics: the library then needs no per-file ISA flags
# under mingw. Set in config_asm.h (not on the command line) so that the library and every
# program including the installed headers agree on the layout of aligned blocks.
# (The sources have CRLF line ends.)
sed -i 's|^// #define CRYPTOPP_DISABLE_ASM 1\(\r\?\)$|#define CRYPTOPP_DISABLE_ASM 1\1|' "$src/config_asm.h"
grep -q '^#define CRYPTOPP_DISABLE_ASM 1' "$src/config_asm.h" ||
  { echo "build-cryptopp-mingw: could not disable assembly in config_asm.h" >&2; exit 1; }

# The library's sources: every .cpp except the test and benchmark programs (the upstream
# GNUmakefile's TESTSRCS), its precompiled-header stubs and the ARM and POWER files.
tests=" adhoc test bench1 bench2 bench3 datatest dlltest fipsalgt validat0 validat1 validat2 validat3
        validat4 validat5 validat6 validat7 validat8 validat9 validat10 regtest1 regtest2 regtest3
        regtest4 pch simple "
mkdir -p "$work/obj"
: > "$work/sources"
for f in "$src"/*.cpp; do
  base=$(basename "$f" .cpp)
  case "$tests" in *" $base "*) continue ;; esac
  case "$base" in arm_* | neon_* | ppc_* | *_ppc) continue ;; esac
  echo "$base" >> "$work/sources"
done

export cxx src work
xargs -P "$jobs" -I{} sh -c \
  '"$cxx" -std=c++20 -O2 -DNDEBUG -w -c "$src/{}.cpp" -o "$work/obj/{}.o" 2>"$work/obj/{}.log" ||
   { cat "$work/obj/{}.log" >&2; exit 255; }' < "$work/sources"

stage=$work/stage
mkdir -p "$stage/lib" "$stage/include/cryptopp"
"$ar" rcs "$stage/lib/libcryptopp.a" "$work"/obj/*.o
cp "$src"/*.h "$stage/include/cryptopp/"
rm -f "$stage/include/cryptopp/resource.h"
echo "$version" > "$stage/VERSION"

rm -rf "$dest"
mv "$stage" "$dest"
echo "build-cryptopp-mingw: done in $(( $(date +%s) - started )) s: $dest" >&2
echo "$dest"
