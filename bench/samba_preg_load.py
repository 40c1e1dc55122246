#!/usr/bin/python3
"""Times Samba's PReg parser (ndr_unpack of python3-samba) on a Registry.pol, for comparison
with our folder load. Usage: samba_preg_load.py FILE [RUNS] [OUR_LOAD_MS]"""
import sys
import time

try:
    from samba.dcerpc import preg
    from samba.ndr import ndr_unpack
except ImportError:
    sys.exit("samba_preg_load: python3-samba is not installed (apt-get install python3-samba)")

path = sys.argv[1]
runs = int(sys.argv[2]) if len(sys.argv) > 2 else 3
times = []
for _ in range(runs):
    start = time.perf_counter()
    with open(path, "rb") as f:  # read and parse, as our folder load does
        entries = len(ndr_unpack(preg.file, f.read()).entries)
    times.append((time.perf_counter() - start) * 1000)
best = min(times)
print(f"{'Samba ndr_unpack (read + parse)':<44} min {best:9.2f} ms   ({entries} records)")
if len(sys.argv) > 3:
    print(f"folder load is {best / float(sys.argv[3]):.1f} times faster than Samba's parser")
