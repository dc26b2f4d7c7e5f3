"""A script's mistake gets the command line's words: each bad request raises
ValueError, OSError or NoDesign whose text is the line the command line
writes after "quillomate <command>: ", and a failed write leaves nothing."""

import os
import re
import subprocess
import sys
import textwrap

import pytest
import quillomate as q
from conftest import DESIGN_FILE, STACKUPS

BAND = ["--symmetrical", "--flow", 4000, "--fhigh", 8000]


def synth(**changes):
    args = dict(form="symmetrical", flow=4000, fhigh=8000, coupling=8.34, ripple=0.3)
    args.update(changes)
    return lambda folder: q.synthesize(**args)


def design_file(folder):
    return q.read_design(DESIGN_FILE)


def write_bad_files(folder):
    """A stack-up with an Er below 1 and a design-data file with a Zoe that is not a number."""
    (folder / "bad.toml").write_text('unit = "mm"\ncopper_thickness = 0.035\n[[layer]]\nthickness = 0.5\ner = 0.5\n')
    (folder / "bad.dat").write_text(DESIGN_FILE.read_text().replace("71.56", "71.5x"))


PTFE = STACKUPS / "ptfe-homogeneous.toml"

# (python call on a scratch folder, command line, its exit status, exception class)
CASES = {
    "coupling out of range": (synth(coupling=2), ["synthesize", *BAND, "--coupling", 2, "--ripple", 0.3], 2, ValueError),
    "ripple below 0.01": (synth(ripple=0.005), ["synthesize", *BAND, "--coupling", 10, "--ripple", 0.005], 2,
                          ValueError),
    "band upside down": (synth(flow=9000), ["synthesize", "--symmetrical", "--flow", 9000, "--fhigh", 8000,
                                            "--coupling", 10, "--ripple", 0.3], 2, ValueError),
    "even section count": (synth(sections=4), ["synthesize", *BAND, "--coupling", 10, "--ripple", 0.3,
                                               "--sections", 4], 2, ValueError),
    "asymmetrical count too large": (
        synth(form="asymmetrical", sections=13),
        ["synthesize", "--asymmetrical", "--flow", 4000, "--fhigh", 8000, "--coupling", 10, "--ripple", 0.3,
         "--sections", 13], 2, ValueError),
    "flat tolerance": (synth(ripple=0, flat_tolerance=2), [
        "synthesize", *BAND, "--coupling", 10, "--ripple", 0, "--flat-tolerance", 2], 2, ValueError),
    "zero impedance": (synth(zo=0), ["synthesize", *BAND, "--coupling", 10, "--ripple", 0.3, "--zo", 0], 2,
                       ValueError),
    "Er below 1": (synth(er=0.5), ["synthesize", *BAND, "--coupling", 10, "--ripple", 0.3, "--er", 0.5], 2,
                   ValueError),
    "coupling not a number": (synth(coupling=float("nan")), ["synthesize", *BAND, "--coupling", "nan",
                                                             "--ripple", 0.3], 2, ValueError),
    "band beyond single precision": (synth(fhigh=1e39), ["synthesize", "--symmetrical", "--flow", 4000, "--fhigh",
                                                         "1e+39", "--coupling", 10, "--ripple", 0.3], 2, ValueError),
    "S not below B": (synth(b=0.1, s=0.1), ["synthesize", *BAND, "--coupling", 10, "--ripple", 0.3, "--b", 0.1,
                                            "--s", 0.1], 2, ValueError),
    "no engine design covers the band": (
        synth(form="asymmetrical", flow=100, fhigh=20000, coupling=10, ripple=0.05),
        ["synthesize", "--asymmetrical", "--flow", 100, "--fhigh", 20000, "--coupling", 10, "--ripple", 0.05], 1,
        q.NoDesign),
    "no table row covers the band, nor the engine": (
        synth(flow=100, fhigh=100000),
        ["synthesize", "--symmetrical", "--flow", 100, "--fhigh", 100000, "--coupling", 8.34, "--ripple", 0.3], 1,
        q.NoDesign),
    "no design-data file": (lambda f: q.read_design("missing.dat"), ["analyse", "missing.dat"], 3,
                            FileNotFoundError),
    "a folder for a design-data file": (lambda f: q.read_design("."), ["analyse", "."], 3, IsADirectoryError),
    "an entry in error": (lambda f: q.read_design("bad.dat"), ["analyse", "bad.dat"], 3, ValueError),
    "a stack-up in error": (lambda f: q.read_stackup("bad.toml"),
                            ["dimensions", DESIGN_FILE, "--stackup", "bad.toml"], 2, ValueError),
    "no stack-up file": (lambda f: q.read_stackup("missing.toml"),
                         ["dimensions", DESIGN_FILE, "--stackup", "missing.toml"], 3, FileNotFoundError),
    "velocity ratio above 1": (lambda f: design_file(f).analyse([1000], velocity_ratio=1.5),
                               ["analyse", DESIGN_FILE, "--velocity-ratio", 1.5], 2, ValueError),
    "negative loss": (lambda f: design_file(f).analyse([1000], loss=-1), ["analyse", DESIGN_FILE, "--loss", -1], 2,
                      ValueError),
    "velocity ratio beside a board": (
        lambda f: design_file(f).analyse([1000], velocity_ratio=0.95, stackup=PTFE),
        ["analyse", DESIGN_FILE, "--stackup", PTFE, "--velocity-ratio", 0.95], 2, ValueError),
    "B beside a board": (lambda f: design_file(f).dimensions(0.3, None, stackup=PTFE),
                         ["dimensions", DESIGN_FILE, "--stackup", PTFE, "--b", 0.3], 2, ValueError),
    "field solver beside a board": (lambda f: design_file(f).dimensions(field_solve=True, stackup=PTFE),
                                    ["dimensions", DESIGN_FILE, "--stackup", PTFE, "--field-solve"], 2, ValueError),
    "field solver off its S/B range": (lambda f: design_file(f).dimensions(0.3, 0.001, field_solve=True),
                                       ["dimensions", DESIGN_FILE, "--b", 0.3, "--s", 0.001, "--field-solve"], 2,
                                       ValueError),
    "S not below B in the dimensions": (lambda f: design_file(f).dimensions(0.3, 0.3),
                                        ["dimensions", DESIGN_FILE, "--b", 0.3, "--s", 0.3], 2, ValueError),
    "CSV of closed forms alone": (lambda f: design_file(f).dimensions().to_csv(),
                                  ["dimensions", DESIGN_FILE, "--csv", "x.csv"], 2, ValueError),
    "sweep without points": (lambda f: q.sweep(4000, 3000, 10),
                             ["analyse", DESIGN_FILE, "--start", 4000, "--stop", 3000, "--step", 10], 2, ValueError),
    "sweep of a trillion points": (lambda f: q.sweep(1, 1e12, 1),
                                   ["analyse", DESIGN_FILE, "--start", 1, "--stop", 1e12, "--step", 1], 2, ValueError),
    "sweep step of 0": (lambda f: q.sweep(1000, 3000, 0),
                        ["analyse", DESIGN_FILE, "--start", 1000, "--stop", 3000, "--step", 0], 2, ValueError),
}


@pytest.mark.parametrize("case", CASES, ids=str)
def test_the_command_lines_words(cli, tmp_path, monkeypatch, case):
    call, args, status, error = CASES[case]
    write_bad_files(tmp_path)
    expected = cli.message(*args, status=status)
    monkeypatch.chdir(tmp_path)  # relative names are taken where the command line takes them
    with pytest.raises(error) as raised:
        call(tmp_path)
    assert type(raised.value) is error
    assert str(raised.value) == expected
    if isinstance(raised.value, OSError):
        assert raised.value.errno is not None
    if error is q.NoDesign:
        reached = re.search(r"reach \+/- ([\d.]+) dB", expected)
        if reached:
            assert raised.value.best_ripple_db == pytest.approx(float(reached.group(1)), abs=5e-4)
            assert raised.value.sections == int(re.search(r"up to (\d+) sections", expected).group(1))
        else:
            assert raised.value.best_ripple_db is None and raised.value.sections == 9


def test_a_failed_write_leaves_no_file(tmp_path):
    d = q.synthesize("symmetrical", 4000, 8000, 8.34, 0.3)
    # Into a missing folder, onto a folder: OSError naming the file.
    with pytest.raises(FileNotFoundError, match=r"^cannot create .*missing/d\.dat: No such file or directory$"):
        d.write(tmp_path / "missing" / "d.dat")
    with pytest.raises(IsADirectoryError, match="is a folder"):
        d.write(tmp_path)
    # A design the file cannot hold: the file would give other sections back.
    as_analysed = d.analyse([6000], loss=0.5).design
    built = q.Design(d.sections, centre_mhz=6000, zo=50, er=2.2)
    for design, why in [(as_analysed, "has losses"), (built, "built from its sections")]:
        with pytest.raises(ValueError, match=why):
            design.write(tmp_path / "d.dat")
    # The disk refusing mid-file (a file-size limit in a child process): the
    # old file stays as it was and no companion is left.
    (tmp_path / "d.dat").write_text("the old file\n")
    child = textwrap.dedent(f"""
        import resource, signal, quillomate as q
        signal.signal(signal.SIGXFSZ, signal.SIG_IGN)
        resource.setrlimit(resource.RLIMIT_FSIZE, (200, 200))
        try:
            q.synthesize("symmetrical", 1000, 10000, 15, 0.25).write({str(tmp_path / "d.dat")!r})
        except OSError as e:
            print(e.errno, e)
    """)
    run = subprocess.run([sys.executable, "-c", child], capture_output=True, text=True, env=os.environ)
    assert run.stdout.startswith("27 cannot write "), run.stdout + run.stderr
    assert run.stdout.endswith("d.dat: File too large; the file was removed\n")
    assert sorted(os.listdir(tmp_path)) == ["d.dat"]
    assert (tmp_path / "d.dat").read_text() == "the old file\n"
