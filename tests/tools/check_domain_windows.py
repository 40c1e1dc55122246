#!/usr/bin/env python3
"""The Windows ostrel-policy under Wine against a private Samba domain controller: the
directory half over wldap32 (LDAPS and StartTLS binds, the GPO found by {GUID} and by name, a
wrong password). Wine reaches no SMB share, so a change stops at connecting to SYSVOL with the
bind user's credentials and changes nothing; Wine accepts any server certificate and its
wldap32 takes no server-certificate callback, so --ca-file is refused here (the check itself is
tested in tests/platform/win/server_trust_test.cpp); and Wine 8's
wldap32 fails on search results of several entries with several attributes (a decoding error,
or a hang on larger ones), so the domain-wide listing (gpos) is not run here.
Usage: check_domain_windows.py SAMBA_DC_SCRIPT WINE_RUN OSTREL_POLICY_EXE WORK_DIR"""
import fcntl
import os
import shutil
import signal
import socket
import subprocess
import sys
import tempfile
import time

script, wine_run, exe, work = sys.argv[1:5]
PASSWORD = "Passw0rd.Test1"
PORTS = (389, 636, 445, 88)
NSS = "/usr/lib/x86_64-linux-gnu/libnss_wrapper.so"
failures, passed = [], 0


def check(cond, what):
    global passed
    if cond:
        passed += 1
    else:
        failures.append(what)
        print("FAIL:", what)


def answers(port):
    with socket.socket() as s:
        return s.connect_ex(("127.0.0.1", port)) == 0


# One controller per machine, whichever build tree runs it (the native tests' fixture takes the
# same lock): wait for the others, then the ports must be free.
lock = open("/tmp/ostrel-samba-dc.lock", "a+")
deadline = time.time() + 240
while True:
    try:
        fcntl.flock(lock, fcntl.LOCK_EX | fcntl.LOCK_NB)
        break
    except BlockingIOError:
        if time.time() > deadline:
            break
        time.sleep(0.5)
taken = [p for p in PORTS if answers(p)]
if taken:
    sys.exit(f"check_domain_windows: port {taken[0]} on 127.0.0.1 is taken (another domain controller?)")
os.makedirs(work, exist_ok=True)
d = tempfile.mkdtemp(prefix="ostrel-dc-", dir="/tmp")
env = dict(os.environ, LD_PRELOAD=NSS, NSS_WRAPPER_PASSWD="/etc/passwd", NSS_WRAPPER_GROUP="/etc/group",
           SELFTEST_WINBINDD_SOCKET_DIR=f"{d}/run/winbindd", KRB5_CONFIG=f"{d}/etc/krb5.conf")
dc = None
try:
    subprocess.run([script, d, PASSWORD], check=True)
    with open(f"{d}/log/samba.out", "wb") as log:
        dc = subprocess.Popen(["samba", "-s", f"{d}/etc/smb.conf", "-i", "-l", f"{d}/log"], env=env,
                              stdin=subprocess.DEVNULL, stdout=log, stderr=log, start_new_session=True)
    deadline = time.time() + 90
    while not (os.path.exists(f"{d}/run/winbindd/pipe") and all(answers(p) for p in PORTS)):
        if dc.poll() is not None or time.time() > deadline:
            sys.exit("check_domain_windows: the controller did not start:\n" + open(f"{d}/log/samba.out").read()[-3000:])
        time.sleep(0.2)
    created = subprocess.run(["samba-tool", "gpo", "create", "Test GPO", "-H", "ldap://127.0.0.1", "-U",
                              f"Administrator%{PASSWORD}", "-s", f"{d}/etc/smb.conf", f"--tmpdir={d}/tmp"],
                             env=env, capture_output=True, text=True, check=True).stdout
    guid = created[created.rindex("{"):][:38]
    for name, text in (("password", PASSWORD), ("wrong", "not-the-password")):
        with open(os.path.join(work, name), "w") as f:
            f.write(text + "\n")

    def tool(url, password, *args, ca=None):
        r = subprocess.run([wine_run, exe, "--ldap", url, "--bind-user", "Administrator@SAMDOM.TEST",
                            "--password-file", "Z:" + os.path.join(work, password),
                            *(["--ca-file", "Z:" + ca] if ca else []), *args],
                           capture_output=True, text=True, timeout=120)
        return r.returncode, r.stdout, r.stderr

    # Found by {GUID} (over LDAPS, then StartTLS) and by name; the change then stops at SYSVOL.
    for url, gpo in (("ldaps://127.0.0.1", guid), ("ldap://127.0.0.1", guid), ("ldaps://127.0.0.1", "test gpo")):
        code, out, err = tool(url, "password", "--domain-gpo", gpo, "add-path", "C:\\x.exe")
        check(code == 1 and "reaching the GPO's folder on SYSVOL" in err and guid in err and
              "connecting to \\\\127.0.0.1\\SYSVOL as Administrator@SAMDOM.TEST failed" in err,
              f"{url} finds {gpo} and stops at SYSVOL, which Wine cannot reach ({code}: {err})")
    # A CA file: Wine's wldap32 takes no server-certificate callback, so the tool refuses
    # rather than connect with the system's check (or none) in its place.
    for url in ("ldaps://127.0.0.1", "ldap://127.0.0.1"):
        code, out, err = tool(url, "password", "--domain-gpo", guid, "list", ca=f"{d}/tls/cert.pem")
        check(code == 1 and "cannot check the server's certificate against a CA file" in err,
              f"{url} with --ca-file is refused where the callback is missing ({code}: {err})")
    code, out, err = tool("ldaps://127.0.0.1", "wrong", "--domain-gpo", guid, "list")
    check(code == 1 and "binding to the directory" in err, f"a wrong password is refused ({code}: {err})")
    version = subprocess.run(["ldbsearch", "-H", f"{d}/private/sam.ldb", "-s", "base", "-b",
                              f"CN={guid},CN=Policies,CN=System,DC=samdom,DC=test", "versionNumber"],
                             capture_output=True, text=True).stdout
    check("versionNumber: 0\n" in version, f"the container is unchanged: {version}")
finally:
    if dc is not None:
        os.killpg(dc.pid, signal.SIGTERM)
        dc.wait()
        for _ in range(100):
            try:
                os.killpg(dc.pid, 0)
            except ProcessLookupError:
                break
            time.sleep(0.1)
        else:
            os.killpg(dc.pid, signal.SIGKILL)
    shutil.rmtree(d, ignore_errors=True)

print(f"{passed} passed, {len(failures)} failed")
sys.exit(1 if failures else 0)
