#!/usr/bin/env python3
"""Runs ostrel-policy on a fresh GPO folder and checks the Registry.pol it writes with a
parser of its own: every record, key, value name, type and data byte."""
import hashlib
import os
import re
import shutil
import struct
import subprocess
import sys

PRODUCT = "SOFTWARE\\Policies\\Kelvast\\Ostrel"
REG_NONE, REG_SZ, REG_DWORD = 0, 1, 4
failures = []
passed = 0


def check(cond, what):
    global passed
    if cond:
        passed += 1
    else:
        failures.append(what)
        print("FAIL:", what)


def parse(data):
    """[(key, name, type, data)], structure checked strictly."""
    assert data[:4] == b"PReg", "signature"
    assert struct.unpack_from("<I", data, 4)[0] == 1, "version"
    pos, records = 8, []

    def unit(expected):
        nonlocal pos
        assert data[pos:pos + 2] == expected.encode("utf-16-le"), f"expected {expected!r} at {pos}"
        pos += 2

    def string():
        nonlocal pos
        end = pos
        while data[end:end + 2] != b"\0\0":
            end += 2
            assert end < len(data), "unterminated string"
        text = data[pos:end].decode("utf-16-le")
        pos = end + 2
        return text

    def dword():
        nonlocal pos
        (v,) = struct.unpack_from("<I", data, pos)
        pos += 4
        return v

    while pos < len(data):
        unit("[")
        key = string()
        unit(";")
        name = string()
        unit(";")
        vtype = dword()
        unit(";")
        size = dword()
        unit(";")
        value = data[pos:pos + size]
        assert len(value) == size, "data cut short"
        pos += size
        unit("]")
        records.append((key, name, vtype, value))
    return records


def sz(text):
    return (REG_SZ, (text + "\0").encode("utf-16-le"))


def dw(n):
    return (REG_DWORD, struct.pack("<I", n))


def account_values(prefix, count_name, entries):
    out = [(count_name, dw(len(entries)))]
    for i, (user, domain, sid, is_domain) in enumerate(entries, 1):
        out += [(f"{prefix}{i}_username", sz(user)), (f"{prefix}{i}_userSID", sz(sid)),
                (f"{prefix}{i}_userdomain", sz(domain)), (f"{prefix}{i}_IsDomain", dw(1 if is_domain else 0))]
    return out


def rule_values(kind, name, value, command_lines, groups, users, sids, override, privileges):
    out = [("Type", sz(kind)), ("Name", sz(name))]
    if kind == "Hash":
        out.append(("Source", sz(name)))
    out.append(("Value", sz(value)))
    out.append(("CommandLines", dw(len(command_lines))))
    out += [(f"CommandLine{i}", sz(c)) for i, c in enumerate(command_lines, 1)]
    out += account_values("PrivilegedGroup", "PrivilegedGroups", groups)
    out += account_values("PrivilegedUser", "PrivilegedUsers", users)
    out += account_values("SidToDelete", "SidsToDelete", sids)
    out.append(("OverridePrivileges", dw(1 if override else 0)))
    out.append(("Privileges", dw(len(privileges))))
    out += [(f"Privilege{i}", sz(p)) for i, p in enumerate(privileges, 1)]
    return out


def run(tool, gpo, *args):
    r = subprocess.run([*tool, "--gpo", gpo, *args], capture_output=True, text=True)
    if r.returncode != 0:
        print(r.stderr, file=sys.stderr)
    return r


def added_id(out):
    m = re.search(r"^added (\{[0-9A-F-]{36}\})", out, re.M)
    return m.group(1) if m else None


def expect_file(records, rules):
    """rules: [(kind, id, values)], hash rules first in the expected key order."""
    keys_only = [r for r in records if r[1] == "" and r[3] == b""]
    check(all(r[2] == REG_NONE for r in keys_only), "key-only records are of type REG_NONE")
    marker = [r[0] for r in keys_only if r[0].startswith(PRODUCT + "\\ForceUpdate-")]
    check(len(marker) == 1 and re.fullmatch(re.escape(PRODUCT) + r"\\ForceUpdate-0x[0-9a-f]{8,}", marker[0]),
          f"one refresh marker, got {marker}")
    expected = [(k, "", REG_NONE, b"") for k in
                ["SOFTWARE", "SOFTWARE\\Policies", "SOFTWARE\\Policies\\Kelvast", PRODUCT] + marker]
    for kind in ("Hashes", "Paths"):
        expected.append((f"{PRODUCT}\\{kind}", "", REG_NONE, b""))
        for rule_kind, rule_id, values in rules:
            if rule_kind == kind:
                expected += [(f"{PRODUCT}\\{kind}\\{rule_id}", n, t, d) for n, (t, d) in values]
    check(records == expected, "records in order")
    if records != expected:
        for a, b in zip(records, expected):
            if a != b:
                print("  first difference:\n   got      ", a, "\n   expected ", b)
                break
        print(f"  {len(records)} records, {len(expected)} expected")


def main():
    # The tool's command may be a runner and the program ("wine-run.sh ostrel-policy.exe").
    tool, work = sys.argv[1:-1], sys.argv[-1]
    under_wine = os.path.basename(tool[0]) == "wine-run.sh"
    shutil.rmtree(work, ignore_errors=True)
    os.makedirs(work)
    gpo = os.path.join(work, "gpo")
    app = os.path.join(work, "app.bin")
    with open(app, "wb") as f:
        f.write(b"ostrel" * 20000)
    digest = "0x" + hashlib.sha1(b"ostrel" * 20000).hexdigest()

    r = run(tool, gpo, "add-hash", app, "--command-line", "%SYSTEMROOT%\\x.exe /q",
            "--privilege", "SeBackupPrivilege", "--privilege", "SeRestorePrivilege")
    check(r.returncode == 0, "add-hash exit 0")
    hash_id = added_id(r.stdout)
    r = run(tool, gpo, "add-path", "%SystemDrive%\\Tools\\*.exe", "--recursive",
            "--command-line", "tool.exe /a", "--command-line", "tool.exe /b \u00e9t\u00e9",
            "--user", "CORP\\Ops=S-1-5-21-1-2-3-1001,domain", "--sid-to-delete", "BUILTIN\\Guests=S-1-5-32-546")
    check(r.returncode == 0, "add-path exit 0")
    path_id = added_id(r.stdout)
    check(hash_id and path_id and hash_id != path_id, "two new ids")

    app_name = os.path.abspath(app)
    if under_wine:  # the Windows program sees the file through Wine's drive mapping
        app_name = subprocess.run(["winepath", "-w", app_name], capture_output=True, text=True).stdout.strip()
    hash_values = rule_values("Hash", app_name, digest, ["%SystemRoot%\\x.exe /q"],
                              [("Administrators", "BUILTIN", "S-1-5-32-544", False)],
                              [("Everyone", "BUILTIN", "S-1-1-0", False)], [], True,
                              ["SeBackupPrivilege", "SeRestorePrivilege"])
    path_values = rule_values("Path", "%SystemDrive%\\Tools\\*.exe", "?r*d\\Tools\\*.exe",
                              ["tool.exe /a", "tool.exe /b \u00e9t\u00e9"],
                              [("Administrators", "BUILTIN", "S-1-5-32-544", False)],
                              [("Ops", "CORP", "S-1-5-21-1-2-3-1001", True)],
                              [("Guests", "BUILTIN", "S-1-5-32-546", False)], False, [])
    pol = os.path.join(gpo, "Machine", "Registry.pol")
    expect_file(parse(open(pol, "rb").read()), [("Hashes", hash_id, hash_values), ("Paths", path_id, path_values)])

    r = run(tool, gpo, "delete", hash_id)
    check(r.returncode == 0, "delete exit 0")
    expect_file(parse(open(pol, "rb").read()), [("Paths", path_id, path_values)])

    ini = open(os.path.join(gpo, "gpt.ini"), "rb").read().decode("ascii")
    check("Version=3\r\n" in ini, "gpt.ini machine version 3 after three saves")

    print(f"{passed} passed, {len(failures)} failed")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
