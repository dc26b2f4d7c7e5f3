"""The tools that read our artwork load it, and the copper they find is the
copper the layout computed: gerbv renders every Gerber file, ezdxf loads the
DXF, KiCad's own pcbnew module loads the footprint, rsvg-convert renders the
drawing. Read back from the Gerber and the DXF, every section's width and offset
agree with the board's strips to 0.1 um and its straight copper with the
summary, which with half of each jog's or taper's line beside it makes the
section's length; the layers are not swapped, jogs and port ends are where the
summary says, in millimetres and in inches, plain and compensated.

Usage: artwork_readers.py QUILLOMATE DESIGN_FILE STACK_FILE WORK_FOLDER
"""

import csv
import math
import os
import re
import shutil
import subprocess
import sys

try:
    import ezdxf
except ImportError as missing:  # make test installs python3-ezdxf
    sys.exit(f"artwork_readers: {missing}: install Debian's python3-ezdxf")

program, design, stack, work = sys.argv[1:5]
shutil.rmtree(work, ignore_errors=True)
os.makedirs(work)
failures = []


def check(ok, what):
    if not ok:
        failures.append(what)
        print("FAILED:", what)


def run(args):
    result = subprocess.run([program] + args, capture_output=True, text=True)
    check(result.returncode == 0, f"quillomate {' '.join(args)}: exit {result.returncode}: {result.stderr}")
    return result.stdout


# The board's strips, to full precision, as the analysis uses them.
strips_csv = os.path.join(work, "strips.csv")
run(["dimensions", design, "--stackup", stack, "--csv", strips_csv])
with open(strips_csv) as f:
    sections = [row for row in csv.DictReader(f)]

TOLERANCE_MM = 1e-4  # 0.1 um


def gerber_outline(path):
    """The one region of a copper file, in the file's unit."""
    text = open(path).read()
    check("%TF.FileFunction," in text, f"{path}: file function attribute")
    region = text[text.index("G36*"):text.index("G37*")]
    points = [(int(x) / 1e6, int(y) / 1e6) for x, y in re.findall(r"X(-?\d+)Y(-?\d+)D0[12]", region)]
    return points[:-1] if points[0] == points[-1] else points


def across(outline, x):
    """Where the vertical line at x crosses the outline: its copper's edges."""
    ys = []
    for k in range(len(outline)):
        (x0, y0), (x1, y1) = outline[k], outline[(k + 1) % len(outline)]
        if (x0 - x) * (x1 - x) < 0:
            ys.append(y0 + (x - x0) * (y1 - y0) / (x1 - x0))
    return sorted(ys)


def measure(name, upper, lower, per_mm, summary, compensated):
    """Every section's width, offset and length read back from the copper,
    and every jog where the summary says."""
    placed = {}
    for line in summary.splitlines():
        words = line.replace("|", " ").split()
        if len(words) == 7 and words[0].isdigit():
            placed[words[0]] = [float(w) for w in words[1:]]
    junctions = {}
    for line in summary.splitlines():
        words = line.replace("|", " ").split()
        if len(words) == 7 and re.fullmatch(r"\d+-\d+", words[0]) and words[1] in ("jog", "taper"):
            junctions[words[0]] = (words[1], [float(w) for w in words[2:]])
    check(sorted(placed) == sorted(row["section"] for row in sections), f"{name}: summary lists every section")
    digit = 1e-4 * per_mm if per_mm == 1.0 else 1e-5  # the summary's last digit
    for row in sections:
        number = row["section"]
        if number not in placed:
            continue
        x0, x1 = placed[number][0], placed[number][1]
        # Each section's straight copper and half of each junction's line
        # beside it make its length (compensation cuts the end sections).
        line = x1 - x0
        for key, (_, j) in junctions.items():
            if number in key.split("-"):
                line += j[4] / 2
        if not compensated:
            check(abs(line - float(row["length_mm"]) * per_mm) < 3 * digit,
                  f"{name} section {number}: length {line} vs {row['length_mm']}")
        for outline, sign, layer in ((upper, 1, "upper"), (lower, -1, "lower")):
            ys = across(outline, (x0 + x1) / 2)
            check(len(ys) == 2, f"{name} {layer} section {number}: one strip across, got {ys}")
            if len(ys) != 2:
                continue
            width, centre = ys[1] - ys[0], (ys[0] + ys[1]) / 2
            check(abs(width - float(row["width_mm"]) * per_mm) < TOLERANCE_MM * per_mm,
                  f"{name} {layer} section {number}: width {width} vs {row['width_mm']}")
            check(abs(centre - sign * float(row["offset_mm"]) * per_mm / 2) < TOLERANCE_MM * per_mm,
                  f"{name} {layer} section {number}: centre {centre} vs {sign}W0/2 "
                  "(a swapped layer puts it on the other side)")
            # The section's ends are where the strip's edges step or slant,
            # but where a jog's mitres meet it.
            xs = [x for x, _ in outline]
            jogged = [key for key, (shape, _) in junctions.items() if shape == "jog"]
            for end, side in ((x0, 0), (x1, 1)):
                neighbour = f"{int(number) - 1}-{number}" if side == 0 else f"{number}-{int(number) + 1}"
                if neighbour in jogged:
                    continue
                nearest = min(abs(x - end) for x in xs)
                check(nearest < digit, f"{name} {layer}: a section ends at {end}, off by {nearest}")
    # Half way along a jog the strip is centred between its sections'. Where
    # a stub stands there on the strip's outer edge, the inner edge is read:
    # half the jog's cut across (its width over the cosine of its slant) in
    # from the centre. (The notes give millimetres whatever the table's unit.)
    stubs = [float(x) * per_mm for x in
             re.findall(r"stub of [0-9.]+ pF on each strip at x = ([0-9.e+-]+) mm", summary)]
    jog_cut = {key: float(w) * math.hypot(float(a), float(b)) / float(b) * per_mm for key, a, b, w in
               re.findall(r"jog at junction (\d+-\d+): ([0-9.]+) mm across over ([0-9.]+) mm, ([0-9.]+) mm wide", summary)}
    for key, (shape, (j0, j1, c0, c1, _)) in junctions.items():
        if shape != "jog":
            continue
        middle = (j0 + j1) / 2
        stubbed = any(abs(x - middle) < 0.01 * per_mm for x in stubs)
        for outline, sign, layer in ((upper, 1, "upper"), (lower, -1, "lower")):
            ys = across(outline, middle)
            if stubbed:
                inner = ys[0] + jog_cut[key] / 2 if sign > 0 else ys[-1] - jog_cut[key] / 2
                check(len(ys) == 2 and abs(inner - sign * (c0 + c1) / 2) < 4 * digit,
                      f"{name} {layer} jog {key} with its stub: inner edge at {ys}, centre {(c0 + c1) / 2} "
                      f"and cut {jog_cut[key]} in the summary")
            else:
                check(len(ys) == 2 and abs((ys[0] + ys[1]) / 2 - sign * (c0 + c1) / 2) < 2 * digit,
                      f"{name} {layer} jog {key}: strip across at {ys}, centre {(c0 + c1) / 2} in the summary")
    check(len(placed) == len(sections), f"{name}: {len(placed)} sections read from the summary")
    return junctions


def ports_from_summary(text):
    ports = {}
    for line in text.splitlines():
        words = line.split()
        if len(words) == 6 and words[1] in ("upper", "lower") and words[0] in "1234":
            ports[int(words[0])] = (words[1], float(words[2]), float(words[3]), float(words[4]))
    return ports


runs = [(unit, per_mm, flag, compensate) for compensate in (False, True)
        for unit, per_mm, flag in (("mm", 1.0, []), ("in", 1 / 25.4, ["--inches"]))]
for unit, per_mm, flag, compensated in runs:
    folder = os.path.join(work, unit + ("-compensated" if compensated else ""))
    os.makedirs(folder)
    dxf, svg, kicad = (os.path.join(folder, "coupler." + e) for e in ("dxf", "svg", "kicad_mod"))
    summary = run(["layout", design, "--stackup", stack, "--gerber", folder, "--dxf", dxf, "--svg", svg,
                   "--kicad", kicad] + flag + (["--compensate"] if compensated else []))
    stem = os.path.splitext(os.path.basename(design))[0]
    gerbers = {layer: os.path.join(folder, f"{stem}-{layer}.gbr") for layer in ("upper", "lower", "outline")}

    # gerbv renders every file, alone and together.
    for layer, path in gerbers.items():
        png = path + ".png"
        result = subprocess.run(["gerbv", "-x", "png", "-o", png, path], capture_output=True, text=True)
        check(result.returncode == 0 and os.path.getsize(png) > 0, f"gerbv renders {path}: {result.stderr}")
    png = os.path.join(folder, "board.png")
    result = subprocess.run(["gerbv", "-x", "png", "-o", png, "--dpi=300", "-f", "#CC000099", gerbers["upper"], "-f",
                             "#0000CC99", gerbers["lower"], "-f", "#000000FF", gerbers["outline"]],
                            capture_output=True, text=True)
    check(result.returncode == 0 and os.path.getsize(png) > 500, f"gerbv renders the board: {result.stderr}")
    check("%MOMM*%" in open(gerbers["upper"]).read() if unit == "mm" else "%MOIN*%" in open(gerbers["upper"]).read(),
          f"Gerber unit {unit}")
    measure("gerber " + folder, gerber_outline(gerbers["upper"]), gerber_outline(gerbers["lower"]), per_mm, summary,
            compensated)

    # ezdxf loads the DXF: three layers, each one closed polyline.
    doc = ezdxf.readfile(dxf)
    check(doc.header["$INSUNITS"] == (4 if unit == "mm" else 1), f"DXF $INSUNITS for {unit}")
    by_layer = {}
    for entity in doc.modelspace():
        check(entity.dxftype() == "LWPOLYLINE" and entity.closed, f"DXF: {entity.dxftype()} closed polylines only")
        by_layer.setdefault(entity.dxf.layer, []).append([(p[0], p[1]) for p in entity.get_points()])
    check(sorted(by_layer) == ["LOWER_STRIP", "OUTLINE", "UPPER_STRIP"], f"DXF layers {sorted(by_layer)}")
    check(all(len(v) == 1 for v in by_layer.values()), "DXF: one outline a layer")
    junctions = measure("dxf " + folder, by_layer["UPPER_STRIP"][0], by_layer["LOWER_STRIP"][0], per_mm, summary,
                        compensated)
    if compensated:
        check(all(shape in ("jog", "taper") for shape, _ in junctions.values()) and
              len(junctions) == len(sections) - 1, f"{folder}: every junction jogged or tapered: {junctions}")
        check("smooth breakouts" in summary, f"{folder}: the summary names the rounded bends")

    # The port ends: on the right layer, at the summary's position, the feed's
    # width across, at the board's edge.
    ports = ports_from_summary(summary)
    check(sorted(ports) == [1, 2, 3, 4], f"summary lists ports 1 to 4: {sorted(ports)}")
    layers = {"upper": by_layer["UPPER_STRIP"][0], "lower": by_layer["LOWER_STRIP"][0]}
    board_x = sorted({x for x, _ in by_layer["OUTLINE"][0]})
    for number, (layer, x, y, width) in ports.items():
        check(layer == ("upper" if number in (1, 4) else "lower"), f"port {number} on the {layer} strip")
        check(min(abs(x - bx) for bx in board_x) < 1e-4, f"port {number} at the board's edge")
        ends = sorted(py for px, py in layers[layer] if abs(px - x) < 1e-4)
        check(len(ends) == 2 and abs((ends[0] + ends[1]) / 2 - y) < 1e-4 and abs(ends[1] - ends[0] - width) < 1e-4,
              f"port {number}: the feed's end {ends} at y {y}, {width} wide")

    # rsvg-convert renders the drawing.
    result = subprocess.run(["rsvg-convert", "-o", svg + ".png", svg], capture_output=True, text=True)
    check(result.returncode == 0 and os.path.getsize(svg + ".png") > 1000, f"rsvg-convert: {result.stderr}")

# KiCad loads the footprint: four pads numbered as the ports, on the layers of
# their strips, and the copper on In1.Cu and In2.Cu.
probe = """
import sys, pcbnew
fp = pcbnew.FootprintLoad(sys.argv[1], "coupler")
assert fp is not None, "not loaded"
pads = {p.GetNumber(): [fp.GetBoard() and 0 or l for l in p.GetLayerSet().Seq()] for p in fp.Pads()}
names = {n: [pcbnew.BOARD.GetStandardLayerName(l) for l in ls] for n, ls in pads.items()}
print(sorted(names.items()))
print(sorted(g.GetLayerName() for g in fp.GraphicalItems()))
"""
result = subprocess.run(["/usr/bin/python3", "-c", probe, os.path.join(work, "mm")], capture_output=True, text=True)
check(result.returncode == 0, f"pcbnew loads the footprint: {result.stderr[-400:]}")
check("('1', ['In1.Cu'])" in result.stdout and "('2', ['In2.Cu'])" in result.stdout and
      "('3', ['In2.Cu'])" in result.stdout and "('4', ['In1.Cu'])" in result.stdout,
      f"pads on their strips' layers: {result.stdout}")
check("In1.Cu" in result.stdout.splitlines()[-1] and "In2.Cu" in result.stdout.splitlines()[-1],
      f"copper on In1.Cu and In2.Cu: {result.stdout}")

if failures:
    sys.exit(f"{len(failures)} failures")
print("artwork read back by gerbv, ezdxf, pcbnew and rsvg-convert")
