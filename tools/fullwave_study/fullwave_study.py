#!/usr/bin/env python3
"""The full-wave study: a 3-section 10 dB +/- 0.2 dB coupler (2 to 6 GHz)
synthesised in each example board, laid out, and run in openEMS beside the
circuit model. Minutes a board; not part of the tests.

For each board it runs
  - the normal mesh, as laid out and with --compensate;
  - the coarse and fine meshes (compensated), for the error bar at f0;
  - the side walls twice as far (compensated), to show them harmless;
  - each section alone (compensated), to find where a difference comes
    from: a section that agrees alone but not in the coupler points at the
    steps between sections, one that disagrees alone at its breakouts or
    the model;
  - each section alone again with its ports WIDER times further apart
    across: the breakouts then part faster and couple less, so what moves
    is theirs and what stays is the model's.
and prints Markdown tables for the README.

Usage: fullwave_study.py QUILLOMATE STACKUP.toml... [--work DIR] [--threads N] [--no-fine]
                         [--sections-only]
"""

import argparse
import csv
import os
import re
import subprocess
import sys
import time

parser = argparse.ArgumentParser()
parser.add_argument("quillomate")
parser.add_argument("stackups", nargs="+")
parser.add_argument("--work", default="fullwave-study")
parser.add_argument("--threads", default="2")
parser.add_argument("--no-fine", action="store_true", help="skip the fine mesh (the longest run)")
parser.add_argument("--sections-only", action="store_true", help="only the sections alone (minutes, not an hour)")
args = parser.parse_args()
program = os.path.abspath(args.quillomate)
os.makedirs(args.work, exist_ok=True)

BAND = ["--start", "2000", "--stop", "6000", "--step", "100"]
LIMIT_LO, LIMIT_HI = 9.8 - 0.3, 10.2 + 0.3  # C +/- R + 0.3 dB
WIDER = 2.5  # the sections alone again, ports this many times further apart


def run(cmd, cwd):
    started = time.monotonic()
    result = subprocess.run(cmd, cwd=cwd, capture_output=True, text=True)
    if result.returncode != 0:
        sys.exit(f"{' '.join(cmd)}: exit {result.returncode}: {result.stderr}")
    return result.stdout, time.monotonic() - started


def read_compare(folder):
    with open(os.path.join(folder, "compare.csv")) as f:
        return [{k: float(v) for k, v in row.items()} for row in csv.DictReader(f)]


def figures(rows, f0):
    """What the README's table shows, over the rows (the band)."""
    fw = [-r["coupled_db_fullwave"] for r in rows]
    cm = [-r["coupled_db_circuit"] for r in rows]
    centre = min(rows, key=lambda r: abs(r["frequency_mhz"] - f0))
    directivity = lambda kind: min(r[f"isolated_db_{kind}"] * -1 - (-r[f"coupled_db_{kind}"]) for r in rows)
    return {
        "lo": min(fw), "hi": max(fw),
        "deviation": max(abs(a - b) for a, b in zip(fw, cm)),
        "centre": -centre["coupled_db_fullwave"], "circuit_centre": -centre["coupled_db_circuit"],
        "directivity": directivity("fullwave"), "circuit_directivity": directivity("circuit"),
        "return_loss": min(-r["return_db_fullwave"] for r in rows),
        "quadrature": max(abs(r["quadrature_error_deg_fullwave"]) for r in rows),
    }


def fullwave(design, stack, out, mesh, extra, cwd):
    cmd = [program, "fullwave", design, "--stackup", stack, "--out", out, "--run", "--mesh", mesh,
           "--threads", args.threads] + BAND + extra
    text, seconds = run(cmd, cwd)
    cells = re.search(r"\((\d+) cells\)", text)
    return read_compare(os.path.join(cwd, out)), seconds, int(cells.group(1)) if cells else 0


def design_lines(path):
    with open(path) as f:
        return [line.split()[0] if line.strip() else "" for line in f.read().splitlines()]


def coupler_runs(name, stack, cwd, f0):
    """The whole coupler: as laid out, compensated, on three meshes, walls further out."""
    runs, coupling = {}, {}
    for label, mesh, extra in [("as laid out", "normal", []), ("compensated", "normal", ["--compensate"]),
                               ("coarse", "coarse", ["--compensate"]),
                               ("walls at 6 B", "normal", ["--compensate", "--side-walls", "6"])] + \
                              ([] if args.no_fine else [("fine", "fine", ["--compensate"])]):
        rows, seconds, cells = fullwave("design.dat", stack, label.replace(" ", "-"), mesh, extra, cwd)
        runs[label] = (figures(rows, f0), seconds, cells)
        coupling[label] = [r["coupled_db_fullwave"] for r in rows]
        print(f"   {label}: {runs[label]}", flush=True)
    meshes = [runs[k][0]["centre"] for k in ("coarse", "compensated", "fine") if k in runs]
    convergence_table.append(f"| {name} | " + " | ".join(f"{c:.3f}" for c in meshes) +
                             f" | {runs['compensated'][0]['circuit_centre']:.3f} |")
    walls = max(abs(a - b) for a, b in zip(coupling["walls at 6 B"], coupling["compensated"]))
    walls_table.append(f"| {name} | {walls:.3f} |")
    centres = [runs[k][0]["centre"] for k in ("compensated", "coarse")]
    error_bar = max(centres) - min(centres) if args.no_fine else abs(runs["fine"][0]["centre"] -
                                                                         runs["compensated"][0]["centre"])
    for label in ["as laid out", "compensated"]:
        fig, seconds, cells = runs[label]
        inside = LIMIT_LO <= fig["lo"] and fig["hi"] <= LIMIT_HI
        table.append(f"| {name} | {label} | {fig['lo']:.2f} to {fig['hi']:.2f}{'' if inside else ' (outside)'} | "
                     f"{fig['deviation']:.2f} | {fig['directivity']:.1f} ({fig['circuit_directivity']:.1f}) | "
                     f"{fig['return_loss']:.1f} | {fig['quadrature']:.2f} | {error_bar:.3f} | "
                     f"{cells / 1e6:.2f} M, {seconds:.0f} s |")


table, sections_table, walls_table, convergence_table = [], [], [], []
for stack in args.stackups:
    stack = os.path.abspath(stack)
    name = os.path.splitext(os.path.basename(stack))[0]
    cwd = os.path.join(args.work, name)
    os.makedirs(cwd, exist_ok=True)
    run([program, "synthesize", "--symmetrical", "--flow", "2000", "--fhigh", "6000", "--coupling", "10",
         "--ripple", "0.2", "--stackup", stack, "--write-design", "design.dat"], cwd)
    lines = design_lines(os.path.join(cwd, "design.dat"))
    n, zo, er = int(lines[1]), lines[2], lines[3]
    f0 = float(lines[5])
    print(f"== {name}: {n} sections", flush=True)

    if not args.sections_only:
        coupler_runs(name, stack, cwd, f0)
    # Each section alone, compensated for its own breakouts.
    seen = set()
    for i in range(n):
        zoe, fi = lines[4 + 2 * i], lines[5 + 2 * i]
        if zoe in seen:
            continue
        seen.add(zoe)
        alone = f"section{i + 1}.dat"
        with open(os.path.join(cwd, alone), "w") as f:
            f.write(f"Section {i + 1} of the study design alone\n1\n{zo}\n{er}\n{zoe}\n{fi}\n"
                    f"2000\n6000\n100\n{lines[4 + 2 * n + 3]}\n{lines[4 + 2 * n + 4]}\n")
        rows, seconds, cells = fullwave(alone, stack, f"section{i + 1}", "normal", ["--compensate"], cwd)
        fig = figures(rows, f0)
        summary, _ = run([program, "layout", alone, "--stackup", stack, "--compensate"], cwd)
        spacing = float(re.search(r"Ports\s+([0-9.]+) mm apart", summary).group(1))
        rows, seconds, cells = fullwave(alone, stack, f"section{i + 1}-wider", "normal",
                                        ["--compensate", "--port-spacing", f"{WIDER * spacing:.4f}"], cwd)
        wider = figures(rows, f0)
        at_f0 = lambda f: f"{f['centre']:.3f} ({f['centre'] - f['circuit_centre']:+.3f})"
        sections_table.append(f"| {name} | {i + 1} | {fig['circuit_centre']:.3f} | {at_f0(fig)} | {at_f0(wider)} | "
                              f"{fig['directivity']:.1f}, {wider['directivity']:.1f} |")
        print("  ", sections_table[-1], flush=True)

def markdown(header, rows):
    print("\n| " + " | ".join(header) + " |\n" + "|---" * len(header) + "|\n" + "\n".join(rows))


markdown(["Board", "Copper", "Coupling, dB", "Largest deviation, dB", "Directivity, dB (circuit)",
          "Return loss, dB", "Quadrature, deg", "Mesh error at f0, dB", "Cells, run time"], table)
markdown(["Board", "Coupling at f0, coarse", "normal", "fine", "Circuit"], convergence_table)
markdown(["Board", "Section alone", "Circuit at f0, dB", "Full-wave", f"Ports {WIDER} times further apart",
          "Directivity, dB"], sections_table)
markdown(["Board", "Side walls 3 B to 6 B: largest coupling change, dB"], walls_table)
