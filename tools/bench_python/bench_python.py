"""A 100,001-point analysis through Python against the same sweep in C++.

    PYTHONPATH=build/python python3 tools/bench_python/bench_python.py build/tools/bench_python/bench_python

Writes a 9-section design, times four_port over its sweep in C++ (best of 7
runs, the output array allocated in each) and Design.analyse over the same
float32 frequencies (best of 7), and prints both and their ratio.
"""

import subprocess
import sys
import tempfile
import time
from pathlib import Path

import numpy as np
import quillomate as q

program = sys.argv[1]
runs = 7
design = q.synthesize("symmetrical", 1000, 9000, 20, 0.2)
assert len(design) == 9, design
start, stop, step = 1750.0, 8000.0, 0.0625
freq = q.sweep(start, stop, step)
with tempfile.TemporaryDirectory() as folder:
    path = Path(folder) / "nine.dat"
    design.write(path)
    out = subprocess.run([program, str(path), str(start), str(stop), str(step), str(runs)],
                         capture_output=True, text=True, check=True).stdout.split()
points, cpp = int(out[0]), float(out[1])
assert points == len(freq) == 100_001, (points, len(freq))

best = 1e30
for _ in range(runs):
    t = time.perf_counter()
    design.analyse(freq)
    best = min(best, time.perf_counter() - t)
print(f"{points} points, 9 sections: C++ four_port {cpp * 1e3:.1f} ms, "
      f"Python Design.analyse {best * 1e3:.1f} ms, ratio {best / cpp:.3f}")
