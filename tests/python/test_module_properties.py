"""Properties of the module beyond equality with the command line: a real
reader (scikit-rf) takes its networks, designs survive the trip through their
section records, physical limits hold, a sweep leaves the interpreter free,
a coupler a MHz/GHz slip makes long is warned of, and the type stub, help()
and the module tell the same story, every length, frequency and impedance
naming its unit."""

import ast
import inspect
import re
import threading
import time
import warnings
from pathlib import Path

import numpy as np
import pytest
import quillomate as q
from conftest import DESIGN_FILE, STACKUPS


def designs():
    """One design of each origin, with unlike velocities and losses among them."""
    file_design = q.read_design(DESIGN_FILE)
    return {
        "table row": q.synthesize("symmetrical", 4000, 8000, 10, 0.2),
        "engine, 11 sections": q.synthesize("symmetrical", 1000, 10000, 15, 0.25),
        "file": file_design,
        "velocity ratio and loss": file_design.analyse([2000], velocity_ratio=0.95, loss_db_per_in=0.5).design,
        "as built in a board": q.synthesize("symmetrical", 2000, 6000, 10, 0.2).analyse(
            [4000], stackup=q.read_stackup(STACKUPS / "core-between-prepregs.toml")).design,
    }


DESIGNS = designs()


@pytest.mark.parametrize("name", DESIGNS, ids=str)
def test_network_reciprocal_passive_and_read_back_by_scikit_rf(tmp_path, name):
    skrf = pytest.importorskip("skrf")
    d = DESIGNS[name]
    a = d.analyse(np.linspace(0.2, 1.8, 161) * d.centre_mhz)
    s = a.s
    np.testing.assert_array_equal(s, s.transpose(0, 2, 1))  # reciprocal, to the bit
    assert np.linalg.svd(s, compute_uv=False).max() <= 1 + 1e-6  # passive
    net = a.network(name="coupler")
    assert net.nports == 4 and np.allclose(net.z0, d.zo)
    np.testing.assert_array_equal(net.f, a.frequencies_mhz.astype(np.float64) * 1e6)
    np.testing.assert_array_equal(net.s, s.astype(np.complex128))
    # The port-1 column is the report's: its levels are those of the S matrix.
    np.testing.assert_allclose(a.through_db, 20 * np.log10(np.abs(s[:, 3, 0])), rtol=1e-5)
    # scikit-rf writes it and reads it back as a Touchstone file.
    net.write_touchstone(str(tmp_path / "coupler"))
    back = skrf.Network(str(tmp_path / "coupler.s4p"))
    np.testing.assert_allclose(back.s, net.s, rtol=0, atol=1e-9)
    np.testing.assert_allclose(back.f, net.f, rtol=1e-12)


@pytest.mark.parametrize("name", DESIGNS, ids=str)
def test_design_survives_its_section_records(name):
    d = DESIGNS[name]
    again = q.Design(d.sections, centre_mhz=d.centre_mhz, zo_ohm=d.zo_ohm, er=d.er)
    assert (len(again), again.origin, again.zo_ohm, again.er) == (len(d), "sections", d.zo_ohm, d.er)
    freq = q.sweep(0.2 * d.centre_mhz, 1.8 * d.centre_mhz, 0.004 * d.centre_mhz)
    # Lengths come back through velocities in double precision: the same
    # coupler to within a few float32 roundings.
    np.testing.assert_allclose(again.analyse(freq).s, d.analyse(freq).s, rtol=0, atol=2e-6)
    for mine, theirs in zip(again.sections, d.sections):
        assert mine.coupling_db == pytest.approx(theirs.coupling_db, rel=1e-6)


def stub_tree():
    return ast.parse(Path(q.__file__).with_name("quillomate.pyi").read_text())


def stub_signature(name):
    """The parameter names of a stub function ("sweep") or method ("Section.__init__"), self left out."""
    tree = stub_tree()
    owner, _, member = name.rpartition(".")
    for node in tree.body:
        if owner and isinstance(node, ast.ClassDef) and node.name == owner:
            node = next(i for i in node.body if isinstance(i, ast.FunctionDef) and i.name == member)
        elif owner or not (isinstance(node, ast.FunctionDef) and node.name == member):
            continue
        a = node.args
        return [x.arg for x in a.posonlyargs + a.args + a.kwonlyargs if x.arg != "self"]
    raise KeyError(name)


# Physical limits: (where, the call with one value out of its range, the
# parameter, the value as the message writes it, the range's words).
def section(**given):
    return q.Section(**{"zoe_ohm": 60, "zoo_ohm": 41.667, "length_in": 0.5, **given})


def design(**given):
    return q.Design([q.Section(60, 41.667, 0.5)], **{"centre_mhz": 2000, **given})


LIMITS = [
    ("Section.__init__", lambda: section(velocity_even=2.0), "velocity_even", "2",
     "above 0 and at most 1, as a fraction of the speed of light in vacuum"),
    ("Section.__init__", lambda: section(velocity_odd=1.01), "velocity_odd", "1.01", "at most 1"),
    ("Section.__init__", lambda: section(velocity_odd=0), "velocity_odd", "0", "above 0"),
    ("Section.__init__", lambda: section(zoe_ohm=-60), "zoe_ohm", "-60", "above 0 ohms"),
    ("Section.__init__", lambda: section(zoo_ohm=0), "zoo_ohm", "0", "above 0 ohms"),
    ("Section.__init__", lambda: section(length_in=-0.5), "length_in", "-0.5", "above 0 inches"),
    ("Section.__init__", lambda: section(loss_even_db_per_in=-0.1), "loss_even_db_per_in", "-0.1",
     "at least 0 dB per inch"),
    ("Section.__init__", lambda: section(dielectric_loss_odd_db_per_in=-1), "dielectric_loss_odd_db_per_in", "-1",
     "at least 0 dB per inch"),
    ("Design.__init__", lambda: design(zo_ohm=0), "zo_ohm", "0", "above 0 ohms"),
    ("Design.__init__", lambda: design(er=0.5), "er", "0.5", "between 1 and 100"),
    ("Design.__init__", lambda: design(er=1e6), "er", "1000000", "between 1 and 100"),
    ("Design.__init__", lambda: design(centre_mhz=-1), "centre_mhz", "-1", "above 0 MHz"),
    ("Design.__init__", lambda: q.Design([], centre_mhz=2000), "sections", "0", "1 to 50 sections"),
    ("Design.analyse", lambda: design().analyse([1000], velocity_ratio=1.2), "velocity_ratio", "1.2",
     "above 0 and at most 1"),
    ("Design.analyse", lambda: design().analyse([1000], loss_db_per_in=-2), "loss_db_per_in", "-2", "at least 0"),
    ("Design.analyse", lambda: design().analyse([1000, -5]), "frequencies_mhz", "-5", "above 0 MHz"),
    ("Design.layout", lambda: q.read_design(DESIGN_FILE).layout(STACKUPS / "ptfe-homogeneous.toml",
                                                                 port_spacing_m=-0.001),
     "port_spacing_m", "-0.001", "above 0 m"),
    ("Design.layout", lambda: q.read_design(DESIGN_FILE).layout(STACKUPS / "ptfe-homogeneous.toml",
                                                                 breakout_length_m=0),
     "breakout_length_m", "0", "above 0 m"),
    ("sweep", lambda: q.sweep(-1000, 2000, 10), "start_mhz", "-1000", "above 0 MHz"),
]


@pytest.mark.parametrize("where, call, parameter, value, words", LIMITS,
                         ids=[f"{w} {p}={v}" for w, _, p, v, _ in LIMITS])
def test_a_value_beyond_its_physical_range_is_refused_by_name_value_and_range(where, call, parameter, value, words):
    with pytest.raises(ValueError) as raised:
        call()
    message = str(raised.value)
    assert re.search(rf"(^|\W){re.escape(parameter)}\W", message), message
    assert value in message and words in message, message
    assert parameter in stub_signature(where), (parameter, where)


def test_a_record_set_out_of_its_range_is_refused_and_kept():
    s = q.Section(60, 41.667, 0.5, velocity_even=0.7)
    for name, bad in [("velocity_even", 1.5), ("zoe_ohm", -1), ("zoe", 0), ("length_in", float("nan")),
                      ("loss_odd_db_per_in", -0.5)]:
        before = repr(s)
        with pytest.raises(ValueError, match=re.sub("^zoe$", "zoe_ohm", name)):
            setattr(s, name, bad)
        assert repr(s) == before
    s.velocity_even = 1.0  # light in vacuum itself is allowed
    s.zoe = 61
    assert s.zoe_ohm == 61


def test_a_design_in_vacuum_survives_its_records():
    # A TEM wave in Er = 1 travels at c: its records, read back through the
    # electrical lengths, must not read as faster than light.
    for d in [q.synthesize("symmetrical", 1000, 10000, 15, 0.25, er=1.0),
              q.synthesize("asymmetrical", 2000, 6000, 10, 0.2, er=1.0)]:
        again = q.Design(d.sections, centre_mhz=d.centre_mhz, zo_ohm=d.zo_ohm, er=d.er)
        assert max(s.velocity_even for s in again.sections) == pytest.approx(1, abs=1e-6)


def test_older_spellings_give_the_same_results():
    def text(design, folder):
        path = folder / "d.dat"
        design.write(path)
        return path.read_bytes()

    band = dict(form="symmetrical", coupling_db=10, ripple_db=0.2)
    new = q.synthesize(flow_mhz=2000, fhigh_mhz=6000, zo_ohm=75, b_in=0.2, s_in=0.03, flat_tolerance_db=0.1, **band)
    old = q.synthesize("symmetrical", flow=2000, fhigh=6000, coupling=10, ripple=0.2, zo=75, b=0.2, s=0.03,
                       flat_tolerance=0.1)
    assert repr(new) == repr(old) and (new.zo_ohm, new.b_in, new.s_in) == (old.zo, old.b_in, old.s_in)
    f = q.sweep(start_mhz=1000, stop_mhz=7000, step_mhz=50)
    np.testing.assert_array_equal(f, q.sweep(start=1000, stop=7000, step=50))
    np.testing.assert_array_equal(new.analyse(f, loss_db_per_in=0.5).s, old.analyse(f, loss=0.5).s)
    a, b = new.dimensions(b_in=0.2, s_in=0.04), old.dimensions(b=0.2, s=0.04)
    assert [repr(x) for x in a.closed_form] == [repr(x) for x in b.closed_form]
    one = q.Section(zoe_ohm=60, zoo_ohm=41.667, length_in=0.5)
    assert repr(one) == repr(q.Section(zoe=60, zoo=41.667, length_in=0.5))
    assert (one.zoe, one.zoo) == (one.zoe_ohm, one.zoo_ohm)
    assert repr(q.Design([one], centre_mhz=2000, zo=60)) == repr(q.Design([one], centre_mhz=2000, zo_ohm=60))
    # Every older attribute reads its new one's value, and says which it is.
    objects = [new, new.analyse(f), one, q.read_stackup(STACKUPS / "ptfe-homogeneous.toml"),
               q.read_design(DESIGN_FILE).dimensions(field_solve=True)]
    objects += [objects[-1].field_solved[0], objects[-1].plain_strip, objects[-1].field_solved[0].tight,
                q.read_design(DESIGN_FILE).dimensions(stackup=STACKUPS / "ptfe-homogeneous.toml").board[0]]
    checked = 0
    for obj in objects:
        for name in dir(type(obj)):
            doc = getattr(type(obj), name).__doc__ or ""
            m = re.fullmatch(r"Older spelling of (\w+)\.", doc.strip())
            if m:
                assert getattr(obj, name) == getattr(obj, m.group(1)), (type(obj).__name__, name)
                checked += 1
    assert checked >= 15


def test_a_coupler_longer_than_a_metre_is_warned_of_and_still_made():
    with warnings.catch_warnings(record=True) as seen:
        warnings.simplefilter("always")
        slip = q.synthesize("symmetrical", 2, 6, 10, 0.2)  # GHz meant, MHz given
        meant = q.synthesize("symmetrical", 2000, 6000, 10, 0.2)
        hf = q.synthesize("symmetrical", 50, 150, 10, 0.2)  # a deliberate VHF design
    warned = [w for w in seen if issubclass(w.category, q.LengthWarning)]
    assert len(warned) == 2, [str(w.message) for w in seen]
    assert issubclass(q.LengthWarning, UserWarning)
    assert warned[0].filename == __file__  # it points at the script's line
    message = str(warned[0].message)
    metres = slip.length_in * 0.0254
    assert 10 < metres and f"{metres:.3g} m long" in message and "2 to 6 MHz" in message, message
    assert meant.length_in * 0.0254 < 1 and hf.length_in * 0.0254 > 1
    assert len(slip) == len(meant)
    # A script that means it silences the warning; one that does not, stops on it.
    with warnings.catch_warnings():
        warnings.simplefilter("error", q.LengthWarning)
        with pytest.raises(q.LengthWarning):
            q.synthesize("symmetrical", 2, 6, 10, 0.2)


def test_a_sweep_leaves_the_interpreter_to_other_threads():
    d = q.synthesize("symmetrical", 1000, 10000, 15, 0.25)
    freq = np.linspace(500, 10500, 2_000_001, dtype=np.float32)
    alone = d.analyse(freq[:1000])
    result = {}

    def sweep():
        result["start"] = time.perf_counter()
        result["analysis"] = d.analyse(freq)
        result["end"] = time.perf_counter()

    worker = threading.Thread(target=sweep)
    ticks = []
    worker.start()
    while worker.is_alive():
        ticks.append(time.perf_counter())  # the main thread keeps running
    worker.join()
    start, end = result["start"], result["end"]
    assert end - start > 0.2, "the sweep is too short to tell"
    # With the lock held the main thread would stand still from the sweep's
    # start to its end: no tick in between.
    during = [start] + [t for t in ticks if start < t < end] + [end]
    longest_pause = max(np.diff(during))
    assert len(during) > 1000 and longest_pause < 0.25 * (end - start), (len(during), longest_pause, end - start)
    np.testing.assert_array_equal(result["analysis"].s[:1000], alone.s)


def stub_names(tree):
    """Public classes and functions of the stub, and each class's members."""
    names = {}
    for node in tree.body:
        if isinstance(node, ast.ClassDef):
            names[node.name] = {
                item.name if isinstance(item, (ast.FunctionDef,)) else item.target.id
                for item in node.body
                if isinstance(item, ast.FunctionDef) or (isinstance(item, ast.AnnAssign))
            }
        elif isinstance(node, ast.FunctionDef):
            names[node.name] = None
    return names


def test_type_stub_describes_the_module():
    names = stub_names(stub_tree())
    public = {n for n in dir(q) if not n.startswith("_")}
    assert set(names) == public
    for name, members in names.items():
        if members is None:
            continue
        obj = getattr(q, name)
        built = {m for m in dir(obj) if not m.startswith("_")} - set(dir(Exception))
        assert {m for m in members if not m.startswith("_")} == built, name
        assert obj.__doc__, name
    for name in public:
        assert getattr(q, name).__doc__, name
    assert "Synthesise" in q.__doc__


def stub_functions():
    """(qualified name, the stub's ast node) of every function and method but dunders other than __init__."""
    for node in stub_tree().body:
        if isinstance(node, ast.FunctionDef):
            yield node.name, node
        elif isinstance(node, ast.ClassDef):
            for item in node.body:
                if not isinstance(item, ast.FunctionDef) or item.decorator_list:
                    continue  # attributes and properties
                if item.name == "__init__" or not item.name.startswith("__"):
                    yield f"{node.name}.{item.name}", item


def stub_parameters(node):
    """(name, kind, default) as inspect gives them, from a stub function."""
    a = node.args
    kinds = [(x, inspect.Parameter.POSITIONAL_OR_KEYWORD) for x in a.args] + \
            [(x, inspect.Parameter.KEYWORD_ONLY) for x in a.kwonlyargs]
    defaults = [None] * (len(a.args) - len(a.defaults)) + list(a.defaults) + list(a.kw_defaults)
    out = []
    for (arg, kind), default in zip(kinds, defaults):
        if arg.arg == "self":
            continue
        value = inspect.Parameter.empty if default is None else ast.literal_eval(default)
        out.append((arg.arg, kind, value))
    return out


@pytest.mark.parametrize("name", [n for n, _ in stub_functions()])
def test_stub_and_help_give_every_function_the_same_signature(name):
    node = dict(stub_functions())[name]
    owner, _, member = name.rpartition(".")
    obj = getattr(getattr(q, owner), member) if owner else getattr(q, name)
    if member == "__init__":
        obj = getattr(q, owner)  # the class itself, as a script calls it
    signature = inspect.signature(obj)
    built = [(p.name, p.kind, p.default) for p in signature.parameters.values() if p.name != "self"]
    assert built == stub_parameters(node)
    # help() shows the same signature.
    shown = (getattr(q, owner).__init__ if member == "__init__" else obj).__doc__ or ""
    assert inspect.signature(obj) == signature and shown.strip(), name


# What names say their unit: the suffix is the unit.
UNIT_SUFFIXES = ("_mhz", "_ohm", "_db", "_deg", "_in", "_m", "_db_per_in", "_pct", "_s_per_m")
# Names that are no length, frequency or impedance, and why.
UNITLESS = {
    "er", "eeff_even", "eeff_odd", "tan_delta",       # relative permittivities, loss tangent
    "velocity_even", "velocity_odd",                  # fractions of the speed of light in vacuum
    "velocity_ratio", "residual", "asymmetry",        # ratios
    "vswr", "s", "circuit_s", "copper_s", "side_walls", "port_feed",  # a ratio, matrices, ground-plane spacings B
    "taper_length", "step_delays",                    # a ratio of lengths; delays per B of line
    "section", "sections", "number", "iterations", "evaluations", "cells", "grid_lines", "strips_layer",
    "ports_driven", "threads", "left", "right",       # counts and numbers (a junction's sections)
    "form", "origin", "outcome", "centre", "mesh", "leaves", "shape", "unit", "name", "note", "notes", "title",
    "path", "folder", "gerber", "dxf", "svg", "kicad",  # words and paths
    "found", "built", "upper", "strips", "from_tables", "tables", "engine_instead", "equal_ripple", "field_solve", "compensate", "inches",
    "all_ports", "spacing_given", "length_given", "mirror_symmetric", "mirror_stacked",  # yes or no
    "design", "stackup", "layers", "tight", "loose", "board", "breakouts", "closed_form", "field_solved",
    "plain_strip", "ports", "progress", "junctions",  # records and callables
}


def test_every_length_frequency_and_impedance_names_its_unit():
    tree = stub_tree()
    named = set()
    for node in tree.body:
        if isinstance(node, ast.ClassDef):
            for item in node.body:
                if isinstance(item, ast.AnnAssign):
                    named.add((node.name, item.target.id, ast.get_docstring(node) or ""))
                elif isinstance(item, ast.FunctionDef) and item.name == "__init__":
                    named.update((node.name, a.arg, "") for a in item.args.args + item.args.kwonlyargs)
                elif isinstance(item, ast.FunctionDef) and not item.name.startswith("_"):
                    if any(isinstance(d, ast.Name) and d.id == "property" for d in item.decorator_list):
                        named.add((node.name, item.name, ""))
                    else:
                        named.update((node.name, a.arg, "") for a in item.args.args + item.args.kwonlyargs)
        elif isinstance(node, ast.FunctionDef):
            named.update(("", a.arg, "") for a in node.args.args + node.args.kwonlyargs)
    older = 0
    for owner, name, _ in sorted(named):
        if name == "self" or name in UNITLESS or name.endswith(UNIT_SUFFIXES):
            continue
        # An older spelling kept for scripts: it says what it stands for, and that has a unit.
        doc = getattr(getattr(q, owner), name).__doc__ if owner else ""
        m = re.fullmatch(r"Older spelling of (\w+)\.", (doc or "").strip())
        assert m and m.group(1).endswith(UNIT_SUFFIXES), f"{owner}.{name} does not say its unit"
        older += 1
    assert older >= 15
    # The stub's and the module's docstrings say the same convention.
    for text in (ast.get_docstring(tree), q.__doc__):
        assert all(unit in text for unit in ("_mhz", "_ohm", "_in", "_m", "lder spellings")), text
