"""The module's full-wave study is the command line's: the model folder it
writes is `quillomate fullwave --out`'s file for file, and a run reads what
openEMS leaves into the same results. A real openEMS run takes a minute even
on the coarse mesh (the fullwave_run test makes one through the command
line); here a stand-in openEMS leaves probe files of a known scattering
matrix, which both front ends must read back."""

import os
import stat
import sys
import textwrap

import numpy as np
import pytest
import quillomate as q
from conftest import DESIGN_FILE, STACKUPS

BOARD = STACKUPS / "core-between-prepregs.toml"
ZO = 50.0


def known_s(j, k):
    """The matrix the stand-in measures: unlike entries, none zero, not reciprocal (columns are told apart)."""
    return 0.05 + 0.1 * j + 0.013 * k


# Run in portK, as openEMS is: each probe a two-sample pulse whose spectrum is
# its value times the step. Each feed is a line with a real propagation
# constant per step (what a constant spectrum can show), its probes placed as
# model.xml places them, carrying the waves whose values at the port planes
# give b_j / a_k = known_s(j, k) at every frequency.
STAND_IN = textwrap.dedent(f"""\
    #!{sys.executable}
    import math, os, re
    k = int(os.path.basename(os.getcwd())[4:])
    xml = open("model.xml").read()
    def box(name):
        m = re.search('Name="' + name + '"[^>]*><Primitives><Box[^>]*><P1 X="([^"]*)" Y="([^"]*)" Z="[^"]*"/>'
                      '<P2 X="([^"]*)" Y="([^"]*)"', xml)
        return [float(v) for v in m.groups()]
    print("[@ 1s] Timestep: 100 || Speed: 9 MC/s || Energy: ~1e-3 (-30.00dB)", flush=True)
    g, z = 0.05, {ZO}
    for j in range(1, 5):
        x1, x2 = box(f"port_v{{j}}_1_lower")[0], box(f"port_v{{j}}_2_lower")[0]
        step, facing = abs(x2 - x1), (1 if x2 > x1 else -1)
        fx0, fy0, fx1, fy1 = box(f"feed{{j}}")
        plane = (fx0 if facing > 0 else fx1) + facing * (fy1 - fy0)
        m = (x2 - plane) * facing / step
        a = 1.0 if j == k else 0.0
        b = 0.05 + 0.1 * (j - 1) + 0.013 * (k - 1)  # known_s(j - 1, k - 1)
        out, inn = b * math.exp(-g * m) * math.sqrt(z), a * math.exp(g * m) * math.sqrt(z)
        probes = []
        for p in range(3):
            v = out * math.exp(-g * (p - 1)) + inn * math.exp(g * (p - 1))
            probes += [(f"port_v{{j}}_{{p + 1}}_lower", v), (f"port_v{{j}}_{{p + 1}}_upper", v)]
        for p in range(2):
            probes.append((f"port_i{{j}}_{{p + 1}}", (out * math.exp(-g * (p - 0.5)) - inn * math.exp(g * (p - 0.5))) / z))
        for name, value in probes:
            with open(name, "w") as f:
                f.write("%% time, value\\n0 %r\\n1e-12 0\\n" % value)
    print("[@ 2s] Timestep: 200 || Speed: 9 MC/s || Energy: ~1e-6 (-60.00dB)", flush=True)
""")


def files(folder):
    """Every file under `folder`, by relative name."""
    found = {}
    for root, _, names in os.walk(folder):
        for name in names:
            path = os.path.join(root, name)
            found[os.path.relpath(path, folder)] = open(path, "rb").read()
    return found


@pytest.fixture
def stand_in(tmp_path, monkeypatch):
    bin_dir = tmp_path / "bin"
    bin_dir.mkdir()
    program = bin_dir / "openEMS"
    program.write_text(STAND_IN)
    program.chmod(program.stat().st_mode | stat.S_IXUSR)
    monkeypatch.setenv("PATH", f"{bin_dir}{os.pathsep}{os.environ['PATH']}")
    return program


def test_model_folder_run_and_results_are_the_command_lines(cli, tmp_path, stand_in, monkeypatch):
    run = cli("fullwave", DESIGN_FILE, "--stackup", BOARD, "--out", "cli", "--mesh", "coarse", "--run",
              "--port-spacing", 3)
    monkeypatch.chdir(tmp_path)
    layout = q.read_design(str(DESIGN_FILE)).layout(str(BOARD), port_spacing_m=float(np.float32(3)) * 1e-3)
    progress = []
    model = layout.fullwave("py", mesh="coarse")
    models = files(tmp_path / "py")
    result = model.run(threads=2, progress=lambda *p: progress.append(p))
    # The model folder, file for file, before the run added probes.
    theirs = {name: text for name, text in files(tmp_path / "cli").items()
              if name.endswith(("model.xml", "README.txt"))}
    # The README's way of collecting a hand run is each front end's own.
    def without_collect(texts):
        return {n: "\n".join(l for l in t.decode().split("\n") if "--collect" not in l and "model.read()" not in l)
                for n, t in texts.items()}
    assert without_collect(models) == without_collect(theirs)
    assert b"model.read()" in models["README.txt"]
    assert sorted(f"port{k}" for k in model.ports_driven) == sorted({n.split("/")[0] for n in theirs} - {"README.txt"})
    lines = model.grid_lines
    assert f"{lines[0]} x {lines[1]} x {lines[2]} lines ({model.cells} cells)" in run.stdout
    # The results, byte for byte, and the summary as the command prints it.
    result.write(tmp_path / "results")
    for name in ("fullwave.s4p", "compare.csv", "compare.svg"):
        assert (tmp_path / "results" / name).read_bytes() == (tmp_path / "cli" / name).read_bytes(), name
    assert run.stdout.endswith(result.summary())
    # What the stand-in measured is what was read, in every driven column.
    s = result.s
    assert s.shape == (len(model.frequencies_mhz), 4, 4) and s.dtype == np.complex128
    for k in model.ports_driven:
        for j in range(4):
            np.testing.assert_allclose(s[:, j, k - 1], known_s(j, k - 1), rtol=1e-12, atol=0)
    assert [p[0] for p in progress] == [k for k in model.ports_driven for _ in range(2)]
    assert progress[-1][1:] == (200, -60.0)
    # Read again from the probes the run left, the same; the circuit model is the design as built.
    np.testing.assert_array_equal(model.read().s, s)
    built = q.read_design(DESIGN_FILE).analyse(model.frequencies_mhz, stackup=BOARD)
    np.testing.assert_allclose(result.circuit_s[:, 1, 0], built.s[:, 1, 0], atol=0.02)
    skrf = pytest.importorskip("skrf")
    net = result.network(name="measured")
    assert isinstance(net, skrf.Network) and net.nports == 4
    np.testing.assert_array_equal(net.s, s)
    np.testing.assert_array_equal(net.f, model.frequencies_mhz * 1e6)


def test_a_run_that_cannot_be_had_says_why_and_keeps_the_model(tmp_path, monkeypatch):
    layout = q.read_design(DESIGN_FILE).layout(BOARD)
    model = layout.fullwave(tmp_path / "model", mesh="coarse", frequencies_mhz=[1500, 2000, 2500])
    np.testing.assert_array_equal(model.frequencies_mhz, [1500, 2000, 2500])
    with pytest.raises(OSError, match="no readable port_v1_1_lower"):
        model.read()
    bin_dir = tmp_path / "bin"
    bin_dir.mkdir()
    monkeypatch.setenv("PATH", str(bin_dir))
    with pytest.raises(FileNotFoundError, match="no openEMS on PATH"):
        model.run()
    (bin_dir / "openEMS").write_text("#!/bin/sh\necho 'error: out of memory'\nexit 1\n")
    (bin_dir / "openEMS").chmod(0o755)
    with pytest.raises(RuntimeError, match="exit status 1: error: out of memory"):
        model.run()
    assert (tmp_path / "model" / "port1" / "model.xml").exists()
    for bad, says in [({"mesh": "rough"}, "mesh must be"), ({"side_walls": 0.5}, "side_walls must be between 1 and 20"),
                      ({"frequencies_mhz": [2000, 1000]}, "must ascend"), ({"frequencies_mhz": []}, "at least one")]:
        with pytest.raises(ValueError, match=says):
            layout.fullwave(tmp_path / "other", **bad)
    with pytest.raises(ValueError, match="threads must be between 1 and 256"):
        model.run(threads=0)
