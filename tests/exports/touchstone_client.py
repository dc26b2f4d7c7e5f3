"""A real client reads our Touchstone export: scikit-rf loads the .s4p that
`quillomate analyse` writes and finds four ports, a reciprocal and passive
matrix, a port-1 column that is the report's response, and agreement with an
independent simulation of the same design.

Usage: touchstone_client.py QUILLOMATE DESIGN_FILE REFERENCE_S4P WORK_FOLDER
"""

import math
import os
import subprocess
import sys

try:
    import numpy as np
    import skrf
except ImportError as missing:  # make test installs python3-scikit-rf
    sys.exit(f"touchstone_client: {missing}: install Debian's python3-scikit-rf")

program, design, reference, work = sys.argv[1:5]
os.makedirs(work, exist_ok=True)
failures = []


def check(ok, what):
    if not ok:
        failures.append(what)
        print("FAILED:", what)


# The reference design with a velocity ratio and loss, so the two ends differ.
run = subprocess.run(
    [program, "analyse", design, "--velocity-ratio", "0.95", "--loss", "0.5", "--format", "2",
     "--touchstone", os.path.join(work, "client.s4p"), "--csv", os.path.join(work, "client.csv")],
    capture_output=True, text=True)
check(run.returncode == 0, f"quillomate analyse exit {run.returncode}: {run.stderr}")

net = skrf.Network(os.path.join(work, "client.s4p"))
s = net.s
check(net.nports == 4, f"4 ports, not {net.nports}")
check(np.allclose(net.z0, 50), "reference impedance 50 ohms")
check(np.array_equal(s, np.transpose(s, (0, 2, 1))), "reciprocal: S equals its transpose")
singular = np.linalg.svd(s, compute_uv=False).max()
check(singular <= 1 + 1e-6, f"passive: largest singular value {singular}")

# The report's data lines: frequency, VSWR, coupled, isolated, through, phi, deviation.
report = {}
for line in run.stdout.splitlines():
    words = line.split()
    if len(words) == 7:
        try:
            values = [float(w) for w in words]
        except ValueError:
            continue
        report[values[0]] = values
freqs = net.frequency.f / 1e6
check(len(report) == len(freqs) == 15, f"15 points in report and file, not {len(report)} and {len(freqs)}")
for k, f in enumerate(freqs):
    row = report.get(round(f, 3))
    if row is None:
        check(False, f"{f} MHz is in the report")
        continue
    db = lambda z: 20 * math.log10(max(abs(z), 1e-10))
    s11, s21, s31, s41 = (s[k, i, 0] for i in range(4))
    vswr = (1 + abs(s11)) / (1 - abs(s11))
    # The report prints three decimals (two for the isolated level, floored at -90 dB).
    check(abs(vswr - row[1]) <= 0.0005 + 1e-6, f"VSWR at {f}: {vswr} vs {row[1]}")
    check(abs(max(db(s21), -90) - row[2]) <= 0.0005 + 1e-6, f"coupled at {f}: {db(s21)} vs {row[2]}")
    check(abs(max(db(s31), -90) - row[3]) <= 0.005 + 1e-6, f"isolated at {f}: {db(s31)} vs {row[3]}")
    check(abs(db(s41) - row[4]) <= 0.0005 + 1e-6, f"through at {f}: {db(s41)} vs {row[4]}")

# The CSV carries the same levels at full precision.
with open(os.path.join(work, "client.csv")) as csv:
    header = csv.readline().strip().split(",")
    rows = [[float(v) for v in line.split(",")] for line in csv]
col = {name: i for i, name in enumerate(header)}
for k, row in enumerate(rows):
    check(row[col["frequency_mhz"]] == freqs[k], f"CSV frequency {row[0]} vs {freqs[k]}")
    level = 20 * math.log10(abs(s[k, 1, 0]))
    check(abs(row[col["coupled_s21_db"]] - level) < 1e-5, f"CSV coupled at {freqs[k]}")

# An independent double-precision simulation of the same design and settings.
ref = skrf.Network(reference)
check(np.array_equal(ref.frequency.f, net.frequency.f), "same frequencies as the reference")
worst = np.abs(ref.s - s).max()
check(worst < 1e-5, f"agrees with the reference to 1e-5, worst {worst:.2e}")
far = np.abs(s[:, 3, 3] - s[:, 0, 0]).max()
check(far > 1e-3, f"far-end reflection differs from the near end ({far:.2e})")

print("touchstone client:", "every check passed" if not failures else f"{len(failures)} checks failed")
sys.exit(1 if failures else 0)
