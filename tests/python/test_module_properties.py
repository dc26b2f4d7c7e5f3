"""Properties of the module beyond equality with the command line: a real
reader (scikit-rf) takes its networks, designs survive the trip through their
section records, a sweep leaves the interpreter free, and the type stub
describes the module as built."""

import ast
import threading
import time
from pathlib import Path

import numpy as np
import pytest
import quillomate as q
from conftest import DESIGN_FILE, STACKUPS


def designs():
    """One design of each origin, with unlike velocities and losses among them."""
    file_design = q.read_design(DESIGN_FILE)
    return {
        "table row": q.synthesize("symmetrical", 4000, 8000, 8.34, 0.3),
        "engine, 11 sections": q.synthesize("symmetrical", 1000, 10000, 15, 0.25),
        "file": file_design,
        "velocity ratio and loss": file_design.analyse([2000], velocity_ratio=0.95, loss=0.5).design,
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
    again = q.Design(d.sections, centre_mhz=d.centre_mhz, zo=d.zo, er=d.er)
    assert (len(again), again.origin, again.zo, again.er) == (len(d), "sections", d.zo, d.er)
    freq = q.sweep(0.2 * d.centre_mhz, 1.8 * d.centre_mhz, 0.004 * d.centre_mhz)
    # Lengths come back through velocities in double precision: the same
    # coupler to within a few float32 roundings.
    np.testing.assert_allclose(again.analyse(freq).s, d.analyse(freq).s, rtol=0, atol=2e-6)
    for mine, theirs in zip(again.sections, d.sections):
        assert mine.coupling_db == pytest.approx(theirs.coupling_db, rel=1e-6)


def test_bad_sections_are_refused():
    good = q.Section(60, 41.667, 0.5)
    cases = [
        ([], {}, "a design has 1 to 50 sections (got 0)"),
        ([good] * 51, {}, "a design has 1 to 50 sections (got 51)"),
        ([q.Section(-60, 41.667, 0.5)], {}, "section 1: zoe must be above 0 ohms (got -60)"),
        ([good, q.Section(60, 41.667, 0.5, velocity_odd=0)], {}, "section 2: velocity_odd must be above 0 (got 0)"),
        ([q.Section(60, 41.667, float("inf"))], {}, 'section 1: length_in: "inf" is not a number'),
        ([good], {"zo": 0}, "zo must be above 0 ohms (got 0)"),
    ]
    for sections, options, message in cases:
        with pytest.raises(ValueError) as raised:
            q.Design(sections, **{"centre_mhz": 2000, **options})
        assert str(raised.value) == message


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
    stub = Path(q.__file__).with_name("quillomate.pyi")
    names = stub_names(ast.parse(stub.read_text()))
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
