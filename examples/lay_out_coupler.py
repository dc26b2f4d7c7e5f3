"""A coupler from the band to the board house.

Synthesises a 10 dB symmetrical coupler for 2 to 6 GHz, lays it out in the
example board between two prepregs with the ports 4 mm apart, prints what
`quillomate layout` prints, writes the artwork (Gerber X2 set, DXF, KiCad
footprint, SVG drawing) into OUT_FOLDER, and writes the openEMS model beside
it; with --run and openEMS installed it runs the model (a few minutes on the
coarse mesh) and prints the full-wave coupling beside the circuit model's.

    PYTHONPATH=build/python python3 examples/lay_out_coupler.py [OUT_FOLDER] [--run]
"""

import os
import sys
from pathlib import Path

import quillomate as q

args = [a for a in sys.argv[1:] if a != "--run"]
out = Path(args[0] if args else "coupler")
out.mkdir(parents=True, exist_ok=True)
board = Path(__file__).resolve().parents[1] / "data/stackups/core-between-prepregs.toml"

design = q.synthesize("symmetrical", flow_mhz=2000, fhigh_mhz=6000, coupling_db=10, ripple_db=0.2)
layout = design.layout(board, port_spacing_m=0.004)
print(layout.summary())
length_mm = layout.coupler_length_m * 1e3
widest_mm = max(s.width_m for s in layout.sections) * 1e3
print(f"{len(layout.sections)} sections, {length_mm:.2f} mm long, strips up to {widest_mm:.3f} mm wide")

layout.write(gerber=out / "gerber", dxf=out / "coupler.dxf", svg=out / "coupler.svg",
             kicad=out / "coupler.kicad_mod")
model = layout.fullwave(out / "fullwave", mesh="coarse")
print(model)
print("wrote", ", ".join(sorted(os.listdir(out))))

if "--run" in sys.argv:
    result = model.run(progress=lambda port, step, energy: print(f"  port {port}: step {step}, {energy:.1f} dB"))
    print(result.summary())
