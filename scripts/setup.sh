#!/usr/bin/env bash
# Installs everything the builds and tests need on a Debian 12 machine.
# Safe to run again: packages already present are left alone.
set -euo pipefail

# One set-up at a time on a machine: apt and dpkg refuse concurrent runs.
exec 9>/tmp/ostrel-setup.lock
flock 9

native_pkgs=(cmake g++ make ninja-build libcrypto++-dev libcli11-dev nlohmann-json3-dev
             googletest libgtest-dev libgmock-dev
             libbenchmark-dev uuid-dev python3 clang libclang-rt-14-dev
             libldap-dev libsasl2-dev libsasl2-modules-gssapi-mit libsmbclient-dev
             samba samba-ad-dc samba-ad-provision winbind krb5-user ldb-tools libnss-wrapper
             smbclient python3-samba openssl)
windows_pkgs=(g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 mingw-w64-tools
              wine wine64 dpkg-dev xvfb wixl msitools)

want=("${native_pkgs[@]}")
[ "${OSTREL_NATIVE_ONLY:-0}" = 1 ] || want+=("${windows_pkgs[@]}")

missing=()
for p in "${want[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done

# The Windows build compiles Crypto++ from Debian's source package, so apt needs a deb-src entry.
# It repeats the machine's own entries of this release (URIs, suites, components, keys), so the
# set-up works behind whatever mirror the machine uses.
src_list=/etc/apt/sources.list.d/ostrel-deb-src.sources
codename=$(. /etc/os-release && echo "${VERSION_CODENAME:-bookworm}")
src_entries() {
  # deb822 stanzas with Types: deb, as deb-src.
  for f in /etc/apt/sources.list.d/*.sources; do
    [ -f "$f" ] && [ "$f" != "$src_list" ] || continue
    awk -v rel="$codename" '
      function flush() {
        if (deb && on && suites ~ ("(^| )" rel "([- ]|$)")) { print "Types: deb-src"; printf "%s", body; print "" }
        deb = 0; on = 1; suites = ""; body = ""
      }
      BEGIN { on = 1 }
      /^[ \t]*$/ { flush(); next }
      /^#/ { next }
      /^Types:/ { if ($0 ~ /[: ]deb( |$)/) deb = 1; next }
      /^Enabled:/ { if (tolower($2) == "no") on = 0 }
      /^Suites:/ { suites = $0; sub(/^Suites:[ \t]*/, "", suites) }
      { body = body $0 "\n" }
      END { flush() }' "$f"
  done
  # One-line entries, as deb822 stanzas.
  for f in /etc/apt/sources.list /etc/apt/sources.list.d/*.list; do
    [ -f "$f" ] || continue
    awk -v rel="$codename" '
      $1 == "deb" {
        opts = ""; i = 2
        if ($2 ~ /^\[/) { while (i <= NF && $i !~ /\]$/) { opts = opts " " $i; i++ } opts = opts " " $i; i++ }
        if ($(i + 1) !~ ("^" rel "([-/]|$)")) next
        print "Types: deb-src"; print "URIs: " $i; print "Suites: " $(i + 1)
        comps = ""; for (k = i + 2; k <= NF; k++) comps = comps (comps ? " " : "") $k
        print "Components: " comps
        if (match(opts, /signed-by=[^ \]]+/)) print "Signed-By: " substr(opts, RSTART + 10, RLENGTH - 10)
        print ""
      }' "$f"
  done
}
need_update=0
entries=$(src_entries)
if [ -z "$entries" ]; then
  # No entry of this release to follow: Debian's own archive.
  entries="Types: deb-src
URIs: http://deb.debian.org/debian
Suites: $codename $codename-updates
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg"
fi
if [ ! -f "$src_list" ] || [ "$(cat "$src_list")" != "$entries" ]; then
  printf '%s\n' "$entries" > "$src_list"
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
    # The domain tests run their own Samba domain controller; the packages' own daemons must
    # not start (they would take the ports), so services stay down while installing.
    rc_policy=/usr/sbin/policy-rc.d
    placed_rc_policy=0
    if [ ! -e "$rc_policy" ]; then
      printf '#!/bin/sh\nexit 101\n' > "$rc_policy"
      chmod 755 "$rc_policy"
      placed_rc_policy=1
      trap '[ $placed_rc_policy = 1 ] && rm -f "$rc_policy"' EXIT
    fi
    apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
    if [ $placed_rc_policy = 1 ]; then rm -f "$rc_policy"; placed_rc_policy=0; fi
  fi
fi
