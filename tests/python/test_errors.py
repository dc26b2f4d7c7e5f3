"""A script's mistake is refused as the command line refuses it, in the
script's own words: each fault the command line refuses with a message
naming its options, the module refuses with the same message naming the
parameters of the function called (checked against the type stub); a fault
that names no option reads the same in both; and a failed write leaves
nothing."""

import ast
import os
import re
import subprocess
import sys
import textwrap
from pathlib import Path

import pytest
import quillomate as q
from conftest import DESIGN_FILE, STACKUPS

BAND = ["--symmetrical", "--flow", 4000, "--fhigh", 8000]
PTFE = STACKUPS / "ptfe-homogeneous.toml"


def stub_parameters():
    """Every function and method of the stub, "name" or "Class.name", with its parameters' names."""
    tree = ast.parse(Path(q.__file__).with_name("quillomate.pyi").read_text())
    found = {}

    def arguments(node):
        a = node.args
        return [x.arg for x in a.posonlyargs + a.args + a.kwonlyargs if x.arg != "self"]

    for node in tree.body:
        if isinstance(node, ast.FunctionDef):
            found[node.name] = arguments(node)
        elif isinstance(node, ast.ClassDef):
            for item in node.body:
                if isinstance(item, ast.FunctionDef):
                    found[f"{node.name}.{item.name}"] = arguments(item)
    return found


STUB = stub_parameters()


def synth(**changes):
    args = dict(form="symmetrical", flow_mhz=4000, fhigh_mhz=8000, coupling_db=8.34, ripple_db=0.3)
    args.update(changes)
    return lambda folder: q.synthesize(**args)


def design_file(folder):
    return q.read_design(DESIGN_FILE)


def write_bad_files(folder):
    """A stack-up with an Er below 1 and a design-data file with a Zoe that is not a number."""
    (folder / "bad.toml").write_text('unit = "mm"\ncopper_thickness = 0.035\n[[layer]]\nthickness = 0.5\ner = 0.5\n')
    (folder / "bad.dat").write_text(DESIGN_FILE.read_text().replace("71.56", "71.5x"))


def case(call, function, args, status, error, names=None):
    """The module's call and the function it calls (as the stub names it), the
    command line's arguments and exit status, the exception the module
    raises, and each option the command line names with the parameter the
    module names in its place."""
    return call, function, args, status, error, names or {}


SYNTH = "synthesize"
CASES = {
    "coupling out of range": case(synth(coupling_db=2), SYNTH, ["synthesize", *BAND, "--coupling", 2, "--ripple", 0.3],
                                  2, ValueError, {"--coupling": "coupling_db"}),
    "ripple below 0.01": case(synth(ripple_db=0.005), SYNTH,
                              ["synthesize", *BAND, "--coupling", 10, "--ripple", 0.005], 2, ValueError,
                              {"--ripple": "ripple_db"}),
    "band upside down": case(synth(flow_mhz=9000), SYNTH,
                             ["synthesize", "--symmetrical", "--flow", 9000, "--fhigh", 8000, "--coupling", 10,
                              "--ripple", 0.3], 2, ValueError, {"--flow": "flow_mhz", "--fhigh": "fhigh_mhz"}),
    "even section count": case(synth(sections=4), SYNTH,
                               ["synthesize", *BAND, "--coupling", 10, "--ripple", 0.3, "--sections", 4], 2, ValueError,
                               {"--sections": "sections"}),
    "asymmetrical count too large": case(
        synth(form="asymmetrical", sections=13), SYNTH,
        ["synthesize", "--asymmetrical", "--flow", 4000, "--fhigh", 8000, "--coupling", 10, "--ripple", 0.3,
         "--sections", 13], 2, ValueError, {"--sections": "sections"}),
    "flat tolerance": case(synth(ripple_db=0, flat_tolerance_db=2), SYNTH,
                           ["synthesize", *BAND, "--coupling", 10, "--ripple", 0, "--flat-tolerance", 2], 2,
                           ValueError, {"--flat-tolerance": "flat_tolerance_db"}),
    "zero impedance": case(synth(zo_ohm=0), SYNTH, ["synthesize", *BAND, "--coupling", 10, "--ripple", 0.3, "--zo", 0],
                           2, ValueError, {"--zo": "zo_ohm"}),
    "Er below 1": case(synth(er=0.5), SYNTH, ["synthesize", *BAND, "--coupling", 10, "--ripple", 0.3, "--er", 0.5], 2,
                       ValueError, {"--er": "er"}),
    "Er beyond any board's": case(synth(er=1e6), SYNTH,
                                  ["synthesize", *BAND, "--coupling", 10, "--ripple", 0.3, "--er", 1000000], 2,
                                  ValueError, {"--er": "er"}),
    "coupling not a number": case(synth(coupling_db=float("nan")), SYNTH,
                                  ["synthesize", *BAND, "--coupling", "nan", "--ripple", 0.3], 2, ValueError,
                                  {"--coupling": "coupling_db"}),
    "band beyond single precision": case(synth(fhigh_mhz=1e39), SYNTH,
                                         ["synthesize", "--symmetrical", "--flow", 4000, "--fhigh", "1e+39",
                                          "--coupling", 10, "--ripple", 0.3], 2, ValueError, {"--fhigh": "fhigh_mhz"}),
    "S not below B": case(synth(b_in=0.1, s_in=0.1), SYNTH,
                          ["synthesize", *BAND, "--coupling", 10, "--ripple", 0.3, "--b", 0.1, "--s", 0.1], 2,
                          ValueError, {"S": "s_in", "B": "b_in"}),
    "no engine design covers the band": case(
        synth(form="asymmetrical", flow_mhz=100, fhigh_mhz=20000, coupling_db=10, ripple_db=0.05), SYNTH,
        ["synthesize", "--asymmetrical", "--flow", 100, "--fhigh", 20000, "--coupling", 10, "--ripple", 0.05], 1,
        q.NoDesign),
    "no table row covers the band, nor the engine": case(
        synth(flow_mhz=100, fhigh_mhz=100000), SYNTH,
        ["synthesize", "--symmetrical", "--flow", 100, "--fhigh", 100000, "--coupling", 8.34, "--ripple", 0.3], 1,
        q.NoDesign),
    "no design-data file": case(lambda f: q.read_design("missing.dat"), "read_design", ["analyse", "missing.dat"], 3,
                                FileNotFoundError),
    "a folder for a design-data file": case(lambda f: q.read_design("."), "read_design", ["analyse", "."], 3,
                                            IsADirectoryError),
    "an entry in error": case(lambda f: q.read_design("bad.dat"), "read_design", ["analyse", "bad.dat"], 3, ValueError),
    "a stack-up in error": case(lambda f: q.read_stackup("bad.toml"), "read_stackup",
                                ["dimensions", DESIGN_FILE, "--stackup", "bad.toml"], 2, ValueError),
    "no stack-up file": case(lambda f: q.read_stackup("missing.toml"), "read_stackup",
                             ["dimensions", DESIGN_FILE, "--stackup", "missing.toml"], 3, FileNotFoundError),
    "velocity ratio above 1": case(lambda f: design_file(f).analyse([1000], velocity_ratio=1.5), "Design.analyse",
                                   ["analyse", DESIGN_FILE, "--velocity-ratio", 1.5], 2, ValueError,
                                   {"--velocity-ratio": "velocity_ratio"}),
    "negative loss": case(lambda f: design_file(f).analyse([1000], loss_db_per_in=-1), "Design.analyse",
                          ["analyse", DESIGN_FILE, "--loss", -1], 2, ValueError, {"--loss": "loss_db_per_in"}),
    "velocity ratio beside a board": case(
        lambda f: design_file(f).analyse([1000], velocity_ratio=0.95, stackup=PTFE), "Design.analyse",
        ["analyse", DESIGN_FILE, "--stackup", PTFE, "--velocity-ratio", 0.95], 2, ValueError,
        {"--velocity-ratio": "velocity_ratio", "--stackup": "stackup"}),
    "B beside a board": case(lambda f: design_file(f).dimensions(0.3, None, stackup=PTFE), "Design.dimensions",
                             ["dimensions", DESIGN_FILE, "--stackup", PTFE, "--b", 0.3], 2, ValueError,
                             {"--b": "b_in", "--stackup": "stackup"}),
    "field solver beside a board": case(lambda f: design_file(f).dimensions(field_solve=True, stackup=PTFE),
                                        "Design.dimensions",
                                        ["dimensions", DESIGN_FILE, "--stackup", PTFE, "--field-solve"], 2, ValueError,
                                        {"--field-solve": "field_solve", "--stackup": "stackup"}),
    "field solver off its S/B range": case(lambda f: design_file(f).dimensions(0.3, 0.001, field_solve=True),
                                           "Design.dimensions",
                                           ["dimensions", DESIGN_FILE, "--b", 0.3, "--s", 0.001, "--field-solve"], 2,
                                           ValueError, {"--field-solve": "field_solve"}),
    "S not below B in the dimensions": case(lambda f: design_file(f).dimensions(0.3, 0.3), "Design.dimensions",
                                            ["dimensions", DESIGN_FILE, "--b", 0.3, "--s", 0.3], 2, ValueError,
                                            {"S": "s_in", "B": "b_in"}),
    "CSV of closed forms alone": case(lambda f: design_file(f).dimensions().to_csv(), "Design.dimensions",
                                      ["dimensions", DESIGN_FILE, "--csv", "x.csv"], 2, ValueError,
                                      {"--csv": "to_csv()", "--field-solve": "field_solve", "--stackup": "stackup"}),
    "sweep without points": case(lambda f: q.sweep(4000, 3000, 10), "sweep",
                                 ["analyse", DESIGN_FILE, "--start", 4000, "--stop", 3000, "--step", 10], 2,
                                 ValueError),
    "sweep of a trillion points": case(lambda f: q.sweep(1, 1e12, 1), "sweep",
                                       ["analyse", DESIGN_FILE, "--start", 1, "--stop", 1e12, "--step", 1], 2,
                                       ValueError),
    "sweep step of 0": case(lambda f: q.sweep(1000, 3000, 0), "sweep",
                            ["analyse", DESIGN_FILE, "--start", 1000, "--stop", 3000, "--step", 0], 2, ValueError,
                            {"--step": "step_mhz"}),
    "a layout in a stack-up in error": case(lambda f: design_file(f).layout("bad.toml"), "Design.layout",
                                            ["layout", DESIGN_FILE, "--stackup", "bad.toml"], 2, ValueError),
}


def in_the_scripts_words(message, names):
    """The command line's message with each option named as the module names it."""
    for option, parameter in names.items():
        message = re.sub(r"(?<![\w-])" + re.escape(option) + r"(?![\w-])", parameter, message)
    return message


@pytest.mark.parametrize("name", CASES, ids=str)
def test_the_same_fault_in_each_front_ends_words(cli, tmp_path, monkeypatch, name):
    call, function, args, status, error, names = CASES[name]
    write_bad_files(tmp_path)
    said = cli.message(*args, status=status)
    monkeypatch.chdir(tmp_path)  # relative names are taken where the command line takes them
    with pytest.raises(error) as raised:
        call(tmp_path)
    assert type(raised.value) is error
    message = str(raised.value)
    # Each front end names its own: the options there, the parameters here.
    for option, parameter in names.items():
        assert re.search(r"(?<![\w-])" + re.escape(option) + r"(?![\w-])", said), (option, said)
        assert parameter in message, (parameter, message)
        if not parameter.endswith("()"):
            assert parameter in STUB[function], (parameter, function, STUB[function])
    assert "--" not in message, message
    # The same sentence, or the same with a hint after it.
    expected = in_the_scripts_words(said, names)
    assert message == expected or message.startswith(expected + ": "), (message, expected)
    if isinstance(raised.value, OSError):
        assert raised.value.errno is not None
    if error is q.NoDesign:
        reached = re.search(r"reach \+/- ([\d.]+) dB", said)
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
    as_analysed = d.analyse([6000], loss_db_per_in=0.5).design
    built = q.Design(d.sections, centre_mhz=6000, zo_ohm=50, er=2.2)
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


def test_a_call_that_is_not_python_is_a_type_error_in_pythons_words():
    cases = [
        (lambda: q.synthesize("symmetrical", 4000, 8000, 8.34),
         "synthesize() missing 1 required argument: 'ripple_db'"),
        (lambda: q.synthesize("symmetrical", 4000, 8000, 8.34, 0.3, 5),
         "synthesize() takes 5 positional arguments but 6 were given"),
        (lambda: q.synthesize("symmetrical", 4000, 8000, 8.34, 0.3, flow=4000),
         "synthesize() got multiple values for argument 'flow_mhz'"),
        (lambda: q.synthesize("symmetrical", 4000, 8000, 8.34, 0.3, flw=4000),
         "synthesize() got an unexpected keyword argument 'flw'"),
        (lambda: q.synthesize("symmetrical", "4000", 8000, 8.34, 0.3), "flow_mhz must be a number (got str)"),
        (lambda: q.synthesize("symmetrical", 4000, 8000, 8.34, 0.3, sections=5.0),
         "sections must be a whole number or None (got float)"),
        (lambda: q.sweep(1000, 2000), "sweep() missing 1 required argument: 'step_mhz'"),
        (lambda: q.Section(60, 41.667), "Section() missing 1 required argument: 'length_in'"),
        (lambda: q.read_design(DESIGN_FILE).layout(42),
         "stackup must be a Stackup or a stack-up file's path (got int)"),
    ]
    for call, says in cases:
        with pytest.raises(TypeError) as raised:
            call()
        assert str(raised.value) == says
