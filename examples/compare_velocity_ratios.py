"""What unequal mode velocities do to a coupler.

Synthesises a 10 dB symmetrical coupler for 2 to 6 GHz, analyses it with the
even mode travelling at 1, 0.975, 0.95 and 0.925 of the odd mode's speed (as
an inhomogeneous board makes it do), prints the least directivity over the
band for each, and saves a plot of coupling and directivity.

    PYTHONPATH=build/python python3 examples/compare_velocity_ratios.py [out.png]
"""

import os
import sys

import matplotlib

if not os.environ.get("DISPLAY"):
    matplotlib.use("Agg")  # no display: draw into the file only
import matplotlib.pyplot as plt
import numpy as np
import quillomate as q

out = sys.argv[1] if len(sys.argv) > 1 else "velocity_ratios.png"
design = q.synthesize("symmetrical", 2000, 6000, 10, 0.2)
freq = q.sweep(1000, 7000, 10)
band = (freq >= 2000) & (freq <= 6000)
print(design)

fig, (coupling, directivity) = plt.subplots(2, 1, sharex=True, figsize=(8, 7))
for ratio in (1, 0.975, 0.95, 0.925):
    a = design.analyse(freq, velocity_ratio=ratio)
    # Unfloored levels from the matrix: an ideal coupler isolates perfectly.
    isolated = 20 * np.log10(np.maximum(np.abs(a.s[:, 2, 0]), 1e-10))
    margin = a.coupled_db - isolated
    least = margin[band].min()
    print(f"velocity ratio {ratio:5.3f}: coupling {-a.coupled_db[band].max():.3f} to "
          f"{-a.coupled_db[band].min():.3f} dB, directivity "
          f"{'over 80' if least > 80 else f'at least {least:.1f}'} dB")
    coupling.plot(freq, -a.coupled_db, label=f"ratio {ratio}")
    directivity.plot(freq, np.minimum(margin, 80), label=f"ratio {ratio}")

coupling.set_ylabel("Coupling (dB)")
coupling.axvspan(2000, 6000, color="0.92")
coupling.legend()
directivity.set_ylabel("Directivity (dB)")
directivity.set_xlabel("Frequency (MHz)")
fig.suptitle("10 dB symmetrical coupler, 2 to 6 GHz: even/odd velocity ratio")
os.makedirs(os.path.dirname(os.path.abspath(out)), exist_ok=True)
fig.savefig(out, dpi=100)
print("saved", out)
