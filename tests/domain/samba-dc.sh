#!/usr/bin/env bash
# Provisions a private Samba AD domain controller in folder $1 (SAMDOM.TEST, Administrator's
# password $2), listening on 127.0.0.1 only, with everything it writes kept in that folder.
# The test fixture starts it (`samba -i` in a process group of its own) and stops it.
set -euo pipefail
D=$1
PASS=$2
mkdir -p "$D"/{etc,state,private,cache,log,run/winbindd,tmp,tls,lock}
# A 2048-bit certificate naming the loopback address and this machine (libldap checks a
# "localhost" URL against the host name): the DC's own is slow to make and names
# no address, so a client that checks the name against 127.0.0.1 would refuse it.
openssl req -x509 -newkey rsa:2048 -nodes -days 30 -subj "/CN=localhost" \
  -addext "subjectAltName=IP:127.0.0.1,DNS:localhost,DNS:$(hostname)" \
  -keyout "$D/tls/key.pem" -out "$D/tls/cert.pem" 2>/dev/null
chmod 600 "$D/tls/key.pem"
samba-tool domain provision --use-rfc2307 --realm=SAMDOM.TEST --domain=SAMDOM --server-role=dc \
  --dns-backend=NONE --adminpass="$PASS" --host-name=dc1 --targetdir="$D" \
  --option="interfaces = lo" --option="bind interfaces only = yes" \
  --option="pid directory = $D/run" --option="ncalrpc dir = $D/run/ncalrpc" \
  --option="ntp signd socket directory = $D/run/ntp_signd" --option="log file = $D/log/log.%m" \
  --option="printcap name = /dev/null" --option="disable spoolss = yes" \
  --option="tls enabled = yes" --option="tls keyfile = $D/tls/key.pem" \
  --option="tls certfile = $D/tls/cert.pem" --option="tls cafile = " >"$D/log/provision.log" 2>&1
# Options provision does not carry into smb.conf, and its [global] settings these replace (a
# Kerberos bind inside TLS without a second layer of signing is allowed, as a Windows domain
# controller allows it; a simple bind still needs TLS); the
# home, printer and driver shares go (they name folders outside $D).
awk -v D="$D" '
  /^\[/ { if (inglobal) extra(); inglobal = ($0 == "[global]"); skip = ($0 != "[global]" && $0 != "[sysvol]" && $0 != "[netlogon]") }
  function extra() {
    print "\tldap server require strong auth = allow_sasl_over_tls"; print "\tload printers = no"; print "\tprinting = bsd"
    print "\twinbindd socket directory = " D "/run/winbindd"
    print "\tserver services = -nbt -wrepl -drepl -kcc -dnsupdate -ntp_signd -dns"
    print "\tprefork children = 1"; print ""
    inglobal = 0
  }
  inglobal && /^\t(server services) =/ { next }
  !skip { print }
  END { if (inglobal) extra() }' "$D/etc/smb.conf" >"$D/etc/smb.conf.new"
mv "$D/etc/smb.conf.new" "$D/etc/smb.conf"
cat >"$D/etc/krb5.conf" <<KRB
[libdefaults]
  default_realm = SAMDOM.TEST
  dns_lookup_kdc = false
  dns_lookup_realm = false
  rdns = false
[realms]
  SAMDOM.TEST = {
    kdc = 127.0.0.1
  }
KRB
