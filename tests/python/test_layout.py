"""The module's copper is the command line's: for a table, an engine and a
file design on the example boards, Layout.summary() is what `quillomate
layout` (or `synthesize --stackup`) prints, and every artwork file is the
command's byte for byte (the Gerber files' creation date aside); the files
are written all or nothing."""

import os
import re
import subprocess
import sys
import textwrap
from pathlib import Path

import numpy as np
import pytest
import quillomate as q
from conftest import DESIGN_FILE, STACKUPS

# (module's design, command line's arguments before the board, layout choices in metres, the same as options)
CASES = {
    "table design, PTFE board, mm": (
        lambda: q.synthesize("symmetrical", 4000, 8000, 10, 0.2),
        ["synthesize", "--symmetrical", "--flow", 4000, "--fhigh", 8000, "--coupling", 10, "--ripple", 0.2],
        "ptfe-homogeneous.toml", {}, []),
    "engine design, thin core, given spacing and length, inches": (
        lambda: q.synthesize("asymmetrical", 2000, 6000, 10, 0.25),
        ["synthesize", "--asymmetrical", "--flow", 2000, "--fhigh", 6000, "--coupling", 10, "--ripple", 0.25],
        # The command line reads its lengths as float32, then makes them metres.
        "thin-tight-core.toml", {"port_spacing_m": float(np.float32(0.1)) * 0.0254,
                                 "breakout_length_m": float(np.float32(0.25)) * 0.0254, "inches": True},
        ["--port-spacing", 0.1, "--breakout-length", 0.25, "--inches"]),
    "file design, unlike layers, compensated": (
        lambda: q.read_design(str(DESIGN_FILE)), ["layout", DESIGN_FILE], "core-between-prepregs.toml",
        {"compensate": True}, ["--compensate"]),
    "table design, thinned core, jogged and compensated": (
        lambda: q.synthesize("symmetrical", 3000, 5000, 6, 0.1),
        ["synthesize", "--symmetrical", "--flow", 3000, "--fhigh", 5000, "--coupling", 6, "--ripple", 0.1],
        str(Path(__file__).resolve().parents[1] / "artwork" / "thinned-core.toml"),
        {"compensate": True}, ["--compensate"]),
}

GERBER_DATE = re.compile(rb"%TF\.CreationDate,[^*]*\*%")


def artwork(folder):
    """Every file the artwork options wrote, by name; the Gerber files' date masked. Nothing else may
    differ from run to run (the DXF once held a handle dxflib left unset)."""
    files = {}
    for root, _, names in os.walk(folder):
        for name in names:
            path = os.path.join(root, name)
            files[os.path.relpath(path, folder)] = GERBER_DATE.sub(b"%TF.CreationDate,*%", open(path, "rb").read())
    return files


@pytest.mark.parametrize("name", CASES, ids=str)
def test_copper_and_artwork_are_the_command_lines(cli, tmp_path, name):
    make, command, board, choices, options = CASES[name]
    stack = STACKUPS / board
    (tmp_path / "cli").mkdir()
    (tmp_path / "cli" / "gerber").mkdir()
    run = cli(*command, "--stackup", stack, *options, "--gerber", "cli/gerber", "--dxf", "cli/c.dxf",
              "--svg", "cli/c.svg", "--kicad", "cli/c.kicad_mod")
    inches = choices.pop("inches", False)
    layout = make().layout(stack, **choices)
    text = layout.summary(inches=inches)
    if command[0] == "layout":
        assert run.stdout == text
    else:
        assert text in run.stdout
    py = tmp_path / "py"
    py.mkdir()
    layout.write(gerber=py / "gerber", dxf=py / "c.dxf", svg=py / "c.svg", kicad=py / "c.kicad_mod", inches=inches)
    theirs, mine = artwork(tmp_path / "cli"), artwork(py)
    assert sorted(mine) == sorted(theirs) and len(mine) == 6
    for file in theirs:
        assert mine[file] == theirs[file], file
    # The copper's numbers are the summary's: every section's rectangle and every port.
    unit = 0.0254 if inches else 1e-3
    digits = 5 if inches else 4
    for s in layout.sections:
        row = f"{s.section:>10} {s.x0_m / unit:9.{digits}f} {s.x1_m / unit:9.{digits}f}"
        assert row in text, row
        assert s.upper_y1_m - s.upper_y0_m == pytest.approx(s.width_m)
    for p in layout.ports:
        assert f"{p.x_m / unit:9.{digits}f} {p.y_m / unit:9.{digits}f}" in text
    assert [p.number for p in layout.ports] == [1, 2, 3, 4]
    # Every jog and taper where the summary's junction table puts it, and the
    # compensated copper's every correction named.
    assert [(j.left, j.right) for j in layout.junctions] == [(k, k + 1) for k in range(1, len(layout.sections))]
    for j in layout.junctions:
        if j.shape != "step":
            assert f"{j.x0_m / unit:9.{digits}f} {j.x1_m / unit:9.{digits}f}" in text
            assert j.path_m >= j.x1_m - j.x0_m > 0
    if choices.get("compensate"):
        assert layout.breakouts.bend_radius_m > 0 and any("smooth breakouts" in n for n in layout.notes)
        assert all(j.shape in ("taper", "jog") for j in layout.junctions)
    # Each trim named in the summary (in millimetres, as every note is); none uncompensated.
    trimmed = [(s.section, t) for s, t in zip(layout.sections, layout.trims_m) if t != 0]
    assert (trimmed != []) == any(n.startswith("compensated: lengths trimmed") for n in layout.notes)
    for section, t in trimmed:
        assert f"section {section} by {t * 1e3:+.4g} mm" in text
    if not choices.get("compensate"):
        assert layout.trims_m == []
    if "thinned" in name:
        assert {j.shape for j in layout.junctions} == {"jog"}
    assert layout.upper_outline_m.shape[1] == 2 and not layout.upper_outline_m.flags.writeable
    # The outlines enclose the strips: each section's rectangle lies inside its layer's outline's extent.
    for outline, y0, y1 in [(layout.upper_outline_m, "upper_y0_m", "upper_y1_m"),
                            (layout.lower_outline_m, "lower_y0_m", "lower_y1_m")]:
        for s in layout.sections:
            assert outline[:, 1].min() <= getattr(s, y0) + 1e-12 and getattr(s, y1) <= outline[:, 1].max() + 1e-12


def test_artwork_is_written_all_or_nothing(tmp_path):
    layout = q.read_design(DESIGN_FILE).layout(STACKUPS / "ptfe-homogeneous.toml")
    (tmp_path / "c.dxf").write_text("the old drawing\n")
    # A footprint into a missing folder: nothing is kept, the old drawing stays.
    with pytest.raises(FileNotFoundError) as raised:
        layout.write(gerber=tmp_path / "g", dxf=tmp_path / "c.dxf", kicad=tmp_path / "missing" / "c.kicad_mod")
    assert str(raised.value).endswith("; no artwork file was kept")
    assert sorted(os.listdir(tmp_path)) == ["c.dxf", "g"] and os.listdir(tmp_path / "g") == []
    assert (tmp_path / "c.dxf").read_text() == "the old drawing\n"
    # The disk refusing part way (a file-size limit in a child process): no
    # file of the set, no companion left.
    child = textwrap.dedent(f"""
        import resource, signal, quillomate as q
        signal.signal(signal.SIGXFSZ, signal.SIG_IGN)
        layout = q.read_design({str(DESIGN_FILE)!r}).layout({str(STACKUPS / "ptfe-homogeneous.toml")!r})
        resource.setrlimit(resource.RLIMIT_FSIZE, (4000, 4000))  # the Gerber files fit, the drawing does not
        try:
            layout.write(gerber={str(tmp_path / "g")!r}, svg={str(tmp_path / "c.svg")!r})
        except OSError as e:
            print(e.errno, e)
    """)
    run = subprocess.run([sys.executable, "-c", child], capture_output=True, text=True, env=os.environ)
    assert run.stdout.startswith("27 cannot write "), run.stdout + run.stderr
    assert sorted(os.listdir(tmp_path)) == ["c.dxf", "g"] and os.listdir(tmp_path / "g") == []
    with pytest.raises(ValueError, match="give at least one"):
        layout.write()


def test_what_the_copper_cannot_be_is_refused():
    d = q.read_design(DESIGN_FILE)
    ptfe = STACKUPS / "ptfe-homogeneous.toml"
    # Refusals speak the script's metres, and the bound they name is accepted.
    with pytest.raises(ValueError, match=r"a breakout of 1e-05 m .* at least ([0-9.]+) m") as short:
        d.layout(ptfe, breakout_length_m=1e-5)
    with pytest.raises(ValueError, match=r"ports 0\.0001 m apart .* at least ([0-9.]+) m$") as close:
        d.layout(ptfe, port_spacing_m=1e-4)
    least = float(re.search(r"at least ([0-9.]+) m$", str(close.value)).group(1))
    assert d.layout(ptfe, port_spacing_m=least)
    with pytest.raises(ValueError, match=r"Analysis\.design"):
        d.analyse([2000], stackup=ptfe).design.layout(ptfe)
    # A board that cannot build a section: no copper, the section named.
    tight = q.synthesize("symmetrical", 2000, 6000, 3.01, 0.3)
    with pytest.raises(ValueError, match="section 2"):
        tight.layout(STACKUPS / "core-between-prepregs.toml")
    # The layout keeps its own board and design.
    layout = d.layout(q.read_stackup(ptfe))
    assert layout.stackup.name == str(ptfe) and layout.design.origin == "file"
    # Its sections are as long as the board builds them.
    board = d.dimensions(stackup=ptfe).board
    np.testing.assert_allclose([s.x1_m - s.x0_m for s in layout.sections], [b.length_in * 0.0254 for b in board],
                               rtol=1e-6)
    assert layout.coupler_length_m == layout.sections[-1].x1_m


@pytest.mark.parametrize("board", ["core-between-prepregs", "thin-tight-core"])
def test_the_coppers_model_is_the_command_lines(cli, board):
    """Layout.copper_s is the model `analyse --discontinuities` prints the figures of, for the same copper,
    with the board file's step delays where it gives them; a taper length asks for compensation."""
    core = STACKUPS / (board + ".toml")
    delays = q.read_stackup(core).step_delays
    assert (delays is None) == (board == "core-between-prepregs")
    if delays:
        assert sorted(delays) == ["end_even", "end_odd", "junction_even", "junction_odd"]
    d = q.read_design(DESIGN_FILE)
    out = cli("analyse", DESIGN_FILE, "--stackup", core, "--discontinuities", "--compensate", "--taper-length", 2).stdout
    block = out[out.index("- With the copper as laid out, compensated"):]
    lo, hi = map(float, re.search(r", ([0-9.]+) to ([0-9.]+) MHz \(as built", block).groups())
    printed = float(re.search(r"directivity at least (-?[0-9.]+) dB", block).group(1))
    s = d.layout(core, compensate=True, taper_length=2).copper_s(np.linspace(lo, hi, 401))
    assert s.shape == (401, 4, 4) and not s.flags.writeable
    directivity = np.min(20 * np.log10(np.abs(s[:, 1, 0]) / np.abs(s[:, 2, 0])))
    assert round(float(directivity), 2) == pytest.approx(printed, abs=0.011)
    np.testing.assert_allclose(s, np.transpose(s, (0, 2, 1)), atol=1e-12)  # reciprocal
    with pytest.raises(ValueError, match=r"give compensate=True too"):
        d.layout(core, taper_length=2)
    with pytest.raises(ValueError, match=r"taper_length"):
        d.layout(core, compensate=True, taper_length=0.5)
