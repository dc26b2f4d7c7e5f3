#!/usr/bin/env python3
"""Where a coupler's directivity goes, full-wave: the 3-section 10 dB +/- 0.2 dB
coupler (2 to 6 GHz) synthesised in each board, laid out plain and with
--compensate (end sections shortened for their breakouts, tapered junctions,
rounded bends, capacitive stubs at the steps), run in openEMS through ports that measure the copper, beside
the circuit model of the same design as built. With --sections, each section
alone too (compensated), to tell the ends from the junctions: a section
alone has breakouts but no junction.

Prints Markdown tables for the README: coupling over the band and against the
limits C +/- (R + 0.3) dB, least directivity, isolation and return loss, both
models. Not part of the tests: a few minutes a run on 2 cores.

Usage: directivity_study.py QUILLOMATE STACKUP.toml... [--work DIR] [--mesh normal] [--threads N]
                            [--sections | --sections-only]
"""

import argparse
import csv
import os
import subprocess
import sys
import time

parser = argparse.ArgumentParser()
parser.add_argument("quillomate")
parser.add_argument("stackups", nargs="+")
parser.add_argument("--work", default="directivity-study")
parser.add_argument("--mesh", default="normal")
parser.add_argument("--threads", default="2")
parser.add_argument("--sections", action="store_true", help="each section alone too")
parser.add_argument("--sections-only", action="store_true", help="only each section alone")
args = parser.parse_args()
program = os.path.abspath(args.quillomate)
os.makedirs(args.work, exist_ok=True)

BAND = ["--start", "2000", "--stop", "6000", "--step", "100"]
LIMIT_LO, LIMIT_HI = 9.8 - 0.3, 10.2 + 0.3


def run(cmd, cwd):
    started = time.monotonic()
    result = subprocess.run(cmd, cwd=cwd, capture_output=True, text=True)
    if result.returncode != 0:
        sys.exit(f"{' '.join(cmd)}: exit {result.returncode}: {result.stderr}")
    return time.monotonic() - started


def figures(folder):
    """Over the band, from compare.csv: coupling extremes, least directivity, isolation and return loss."""
    with open(os.path.join(folder, "compare.csv")) as f:
        rows = list(csv.DictReader(f))

    def level(r, column):
        # An empty cell is a wave of exactly zero: no decibel value, unbounded.
        return float(r[column]) if r[column] else float("-inf")

    out = {}
    for kind in ("fullwave", "circuit"):
        coupled = [-level(r, f"coupled_db_{kind}") for r in rows]
        isolated = [-level(r, f"isolated_db_{kind}") for r in rows]
        out[kind] = {"lo": min(coupled), "hi": max(coupled),
                     "directivity": min(i - c for i, c in zip(isolated, coupled)),
                     "isolation": min(isolated),
                     "return_loss": min(-level(r, f"return_db_{kind}") for r in rows)}
    return out


def fullwave(design, stack, out, extra, cwd):
    seconds = run([program, "fullwave", design, "--stackup", stack, "--out", out, "--run", "--mesh", args.mesh,
                   "--threads", args.threads] + BAND + extra, cwd)
    return figures(os.path.join(cwd, out)), seconds


def db(v):
    return "unbounded" if v == float("inf") else f"{v:.1f}"


table, sections_table = [], []
for stack in args.stackups:
    stack = os.path.abspath(stack)
    name = os.path.splitext(os.path.basename(stack))[0]
    cwd = os.path.join(args.work, name)
    os.makedirs(cwd, exist_ok=True)
    run([program, "synthesize", "--symmetrical", "--flow", "2000", "--fhigh", "6000", "--coupling", "10",
         "--ripple", "0.2", "--stackup", stack, "--write-design", "design.dat"], cwd)
    for label, extra in [] if args.sections_only else [("plain", []), ("compensated", ["--compensate"])]:
        fig, seconds = fullwave("design.dat", stack, label, extra, cwd)
        fw, cm = fig["fullwave"], fig["circuit"]
        inside = LIMIT_LO <= fw["lo"] and fw["hi"] <= LIMIT_HI
        table.append(f"| {name} | {label} | {fw['lo']:.2f} to {fw['hi']:.2f}{'' if inside else ' (outside)'} | "
                     f"{db(fw['directivity'])} ({db(cm['directivity'])}) | {db(fw['isolation'])} | "
                     f"{db(fw['return_loss'])} | {seconds:.0f} s |")
        print(table[-1], flush=True)
    if args.sections or args.sections_only:
        with open(os.path.join(cwd, "design.dat")) as f:
            lines = [line.split()[0] if line.strip() else "" for line in f.read().splitlines()]
        n, zo, er = int(lines[1]), lines[2], lines[3]
        for i in range(n // 2 + 1):  # a symmetrical design: the rest are mirror images
            zoe, fi = lines[4 + 2 * i], lines[5 + 2 * i]
            with open(os.path.join(cwd, f"section{i + 1}.dat"), "w") as f:
                f.write(f"Section {i + 1} alone\n1\n{zo}\n{er}\n{zoe}\n{fi}\n2000\n6000\n100\n"
                        f"{lines[4 + 2 * n + 3]}\n{lines[4 + 2 * n + 4]}\n")
            fig, seconds = fullwave(f"section{i + 1}.dat", stack, f"section{i + 1}", ["--compensate"], cwd)
            fw, cm = fig["fullwave"], fig["circuit"]
            sections_table.append(f"| {name} | {i + 1} | {db(fw['directivity'])} ({db(cm['directivity'])}) | "
                                  f"{db(fw['isolation'])} | {db(fw['return_loss'])} |")
            print(sections_table[-1], flush=True)

print("\n| Board | Copper | Coupling, dB | Directivity, dB (circuit) | Isolation, dB | Return loss, dB | Run |")
print("|---|---|---|---|---|---|---|")
print("\n".join(table))
if sections_table:
    print("\n| Board | Section alone | Directivity, dB (circuit) | Isolation, dB | Return loss, dB |")
    print("|---|---|---|---|---|")
    print("\n".join(sections_table))
