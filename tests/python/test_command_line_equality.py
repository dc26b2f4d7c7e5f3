"""The module's numbers are the command line's, bit for bit: the Touchstone
matrix, the CSV's quantities, the design file, the closed-form strips, and
the field-solved and board CSVs, for designs from the tables, the
equal-ripple engine, a file, and a board."""

import re
import warnings

import numpy as np
import pytest
import quillomate as q
from conftest import DESIGN_FILE, STACKUPS, fixed, read_csv, read_touchstone

# (python arguments, command-line arguments) of one synthesis request.
SYNTHESES = {
    "symmetrical table row": (("symmetrical", 4000, 8000, 10, 0.2), {}, []),
    "table level the engine designs for a closer ripple": (("symmetrical", 4000, 8000, 8.34, 0.3), {}, []),
    "symmetrical engine": (("symmetrical", 1000, 10000, 15, 0.25), {}, []),
    "asymmetrical given sections": (
        ("asymmetrical", 2000, 6000, 10, 0.2),
        {"sections": 4, "zo_ohm": 75, "er": 3.38},
        ["--sections", 4, "--zo", 75, "--er", 3.38],
    ),
    "maximally flat table row, own spacings": (
        ("symmetrical", 900, 1100, 20, 0),
        {"flat_tolerance_db": 0.05, "b_in": 0.125, "s_in": 0.02},
        ["--flat-tolerance", 0.05, "--b", 0.125, "--s", 0.02],
    ),
    "table level by the engine": (("asymmetrical", 1000, 3000, 10, 0.5), {"equal_ripple": True}, ["--equal-ripple"]),
}


def synthesize_args(request, more):
    form, flow, fhigh, coupling, ripple = request
    return ["synthesize", f"--{form}", "--flow", flow, "--fhigh", fhigh, "--coupling", coupling,
            "--ripple", ripple, *more]


def assert_csv_is_analysis(path, a):
    """Every column of the command line's CSV equals the analysis's array, bit for bit."""
    header, c = read_csv(path)
    assert header[0] == "frequency_mhz"
    pairs = {
        "frequency_mhz": a.frequencies_mhz, "s11_db": a.s11_db, "s11_deg": a.phase_deg[:, 0],
        "coupled_s21_db": a.coupled_db, "s21_deg": a.phase_deg[:, 1], "isolated_s31_db": a.isolated_db,
        "s31_deg": a.phase_deg[:, 2], "through_s41_db": a.through_db, "s41_deg": a.phase_deg[:, 3],
        "vswr": a.vswr, "phi2_minus_phi4_deg": a.quadrature_deg, "deviation_from_90_deg": a.quadrature_error_deg,
    }
    assert set(pairs) == set(header)
    for name, values in pairs.items():
        assert values.dtype == np.float32
        np.testing.assert_array_equal(values, c[name], err_msg=name, strict=True)


def assert_touchstone_is_analysis(path, a):
    freq, s = read_touchstone(path)
    np.testing.assert_array_equal(a.frequencies_mhz, freq, strict=True)
    assert a.s.dtype == np.complex64
    np.testing.assert_array_equal(a.s, s, strict=True)


@pytest.mark.parametrize("case", SYNTHESES, ids=str)
def test_synthesis_exports_and_design_file(cli, tmp_path, case):
    request, options, more = SYNTHESES[case]
    cli(*synthesize_args(request, more), "--write-design", "cli.dat", "--touchstone", "cli.s4p", "--csv", "cli.csv")
    d = q.synthesize(*request, **options)
    assert d.from_tables == ("table row" in case)
    # The design file, byte for byte; read back and written again, the same bytes.
    d.write(tmp_path / "py.dat")
    expected = (tmp_path / "cli.dat").read_bytes()
    assert (tmp_path / "py.dat").read_bytes() == expected
    back = q.read_design(tmp_path / "py.dat")
    back.write(tmp_path / "again.dat")
    assert (tmp_path / "again.dat").read_bytes() == expected
    # The exports' sweep around the band, analysed here and there.
    a = d.analyse(q.sweep(*d.sweep_mhz))
    assert_touchstone_is_analysis(tmp_path / "cli.s4p", a)
    assert_csv_is_analysis(tmp_path / "cli.csv", a)
    # The file gives back every Zoe to the bit; each Zoo is the reader's
    # matched one (Zo^2 / Zoe in ohms), which may differ in its last bit.
    assert [x.zoe for x in back.sections] == [x.zoe for x in d.sections]
    np.testing.assert_allclose(back.analyse(a.frequencies_mhz).s, a.s, rtol=0, atol=5e-7)


ANALYSES = {
    "as the file says": ({}, []),
    "velocity ratio and loss": ({"velocity_ratio": 0.95, "loss_db_per_in": 0.5},
                                ["--velocity-ratio", 0.95, "--loss", 0.5]),
    "menu velocity only": ({"velocity_ratio": 0.9}, ["--velocity-ratio", 0.9]),
    "as built in a PTFE board": ({"stackup": STACKUPS / "ptfe-homogeneous.toml"},
                                 ["--stackup", STACKUPS / "ptfe-homogeneous.toml"]),
}


@pytest.mark.parametrize("case", ANALYSES, ids=str)
def test_analysis_of_a_design_file(cli, tmp_path, case):
    options, more = ANALYSES[case]
    sweep = (700, 3900, 3.7)  # a step that does not land on round frequencies
    cli("analyse", DESIGN_FILE, "--start", sweep[0], "--stop", sweep[1], "--step", sweep[2], *more, "-q",
        "--touchstone", "cli.s4p", "--csv", "cli.csv")
    a = q.read_design(DESIGN_FILE).analyse(q.sweep(*sweep), **options)
    assert len(a) == 865
    assert_touchstone_is_analysis(tmp_path / "cli.s4p", a)
    assert_csv_is_analysis(tmp_path / "cli.csv", a)


def report_strip_rows(stdout):
    """The dimension report's strip table: section -> the four inch columns as printed."""
    rows = {}
    for line in stdout.splitlines():
        m = re.match(r"^ {8}([ \d]\d) {4}(.{8})(.{8})(.{8})(.{8})\|", line)
        if m:
            rows[int(m.group(1))] = [cell[1:7] for cell in m.groups()[1:]]
    return rows


DIMENSIONS = {
    "field-solved, offset centre": ({"field_solve": True}, ["--field-solve"]),
    "field-solved, superposed centre, other spacings": (
        {"b_in": 0.25, "s_in": 0.04, "centre": "overlap", "field_solve": True},
        ["--b", 0.25, "--s", 0.04, "--centre", "overlap", "--field-solve"]),
    "in a board of unlike layers": ({"stackup": STACKUPS / "core-between-prepregs.toml"},
                                    ["--stackup", STACKUPS / "core-between-prepregs.toml"]),
}


@pytest.mark.parametrize("case", DIMENSIONS, ids=str)
def test_dimensions_of_a_design_file(cli, tmp_path, case):
    options, more = DIMENSIONS[case]
    run = cli("dimensions", DESIGN_FILE, *more, "--csv", "cli.csv")
    dims = q.read_design(DESIGN_FILE).dimensions(**options)
    assert dims.to_csv() == (tmp_path / "cli.csv").read_text()
    if "stackup" in options:
        # In a board only the board's numbers: no closed forms for another dielectric.
        assert dims.closed_form == [] and dims.zo_strip_width_in is None
        assert "Strip Dimensions in Inches   |" not in run.stdout
        lower, upper = dims.feed_widths_m
        assert f"a strip alone is{fixed(upper * 1e3, 7, 4)} mm" in run.stdout
        assert f"Total length of the coupler ={fixed(dims.length_m * 1e3, 9, 3)} mm" in run.stdout
        assert f"frequency = {fixed(dims.max_frequency_mhz, 7, 1)} MHz" in run.stdout
        return
    # The closed forms are the report's, as printed.
    rows = report_strip_rows(run.stdout)
    assert sorted(rows) == [c.section for c in dims.closed_form] == [1, 2, 3, 4, 5]
    for c in dims.closed_form:
        values = [c.tight_width_in, c.tight_offset_in, c.loose_width_in, c.loose_offset_in]
        assert rows[c.section] == [fixed(v, 6, 4) for v in values], c
    assert f"strip width = {fixed(dims.zo_strip_width_in, 5, 4)} inches" in run.stdout


def generated_requests(count, seed=20261210):
    """Requests an engineer might type (levels 3-30 dB, ripples 0.01-1 dB, bands up to 20:1), every
    other one at a level and ripple the tables hold, as float32 texts the command line reads alike."""
    rng = np.random.default_rng(seed)
    out = []
    for k in range(count):
        form = "symmetrical" if rng.integers(2) == 0 else "asymmetrical"
        flow = float(np.float32(np.exp(rng.uniform(np.log(1.0), np.log(20000.0)))))
        fhigh = float(np.float32(flow * np.exp(rng.uniform(np.log(1.05), np.log(20.0)))))
        if k % 2:
            levels = (3.01, 6.02, 8.34, 10, 20) if form == "symmetrical" else (3.01, 6.02, 10, 15, 20)
            level, ripple = float(rng.choice(levels)), float(rng.choice((0.1, 0.2, 0.3, 0.4, 0.5, 0.6)))
        else:
            level, ripple = float(np.float32(rng.uniform(3, 30))), float(np.float32(rng.uniform(0.01, 1)))
        out.append((form, flow, fhigh, level, ripple))
    return out


def test_synthesis_is_the_command_lines_and_its_file_holds_it(cli, tmp_path):
    """Over generated requests the module designs what the command line designs, its write never
    refuses a design it made, and what is written reads back as the very design."""
    warnings.simplefilter("ignore", q.LengthWarning)
    written = instead = 0
    for request in generated_requests(60):
        run = cli(*synthesize_args(request, []), "--write-design", "cli.dat", status=None)
        if run.returncode == 1:
            with pytest.raises(q.NoDesign):
                q.synthesize(*request)
            continue
        assert run.returncode == 0, run.stderr
        d = q.synthesize(*request)
        d.write(tmp_path / "py.dat")
        assert (tmp_path / "py.dat").read_bytes() == (tmp_path / "cli.dat").read_bytes(), request
        back = q.read_design(tmp_path / "py.dat")
        assert [(s.zoe_ohm, s.zoo_ohm) for s in back.sections] == [(s.zoe_ohm, s.zoo_ohm) for s in d.sections]
        first = run.stdout.splitlines()[0]
        assert (d.engine_instead is not None) == first.startswith("        - Designed by the equal-ripple engine")
        if d.engine_instead:
            assert first == f"        - {d.engine_instead}."
            instead += 1
            if "needs more than the tables'" not in d.engine_instead:
                assert q.synthesize(*request, tables=True).from_tables
        written += 1
    assert written > 40 and instead > 2
