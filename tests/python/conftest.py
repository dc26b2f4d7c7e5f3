"""Shared by the Python module's tests: the command line to hold it to, the
project's data, and readers of the command line's files that keep every
float32 bit."""

import os
import subprocess
from pathlib import Path

import numpy as np
import pytest

SOURCE = Path(os.environ.get("QUILLOMATE_SOURCE_DIR", Path(__file__).resolve().parents[2]))
DESIGN_FILE = SOURCE / "tests/sessions/file-design-dimensions/design.dat"
STACKUPS = SOURCE / "data/stackups"


class CommandLine:
    """The built program, run in a folder of the test's own."""

    def __init__(self, program, folder):
        self.program = program
        self.folder = folder

    def __call__(self, *args, status=0):
        run = subprocess.run([self.program, *map(str, args)], cwd=self.folder, capture_output=True, text=True)
        assert status is None or run.returncode == status, f"quillomate {' '.join(map(str, args))}: exit {run.returncode}\n{run.stderr}"
        return run

    def message(self, *args, status):
        """The one line a refused command writes, without its "quillomate CMD: " prefix."""
        err = self(*args, status=status).stderr
        assert err.count("\n") == 1, err
        prefix = f"quillomate {args[0]}: "
        assert err.startswith(prefix), err
        return err[len(prefix):-1]


@pytest.fixture
def cli(tmp_path):
    program = os.environ.get("QUILLOMATE_CLI")
    if not program:
        pytest.skip("QUILLOMATE_CLI names the built program; ctest sets it")
    return CommandLine(program, tmp_path)


def floats(texts):
    """Numbers the command line wrote in their shortest round-trip form, as the float32 it computed."""
    return np.array([np.float32(t) for t in texts], dtype=np.float32)


def read_touchstone(path):
    """Frequencies (float32) and S (complex64, n x 4 x 4) of a .s4p the command line wrote."""
    words = []
    for line in Path(path).read_text().splitlines():
        if line.startswith(("!", "#")):
            continue
        words.extend(line.split())
    values = floats(words).reshape(-1, 33)
    s = values[:, 1::2] + 1j * values[:, 2::2]
    return values[:, 0], s.astype(np.complex64).reshape(-1, 4, 4)


def read_csv(path):
    """Header and float32 columns of a CSV of numbers."""
    lines = Path(path).read_text().splitlines()
    header = lines[0].split(",")
    rows = [line.split(",") for line in lines[1:]]
    return header, {name: floats([row[k] for row in rows]) for k, name in enumerate(header)}


def fixed(value, w, d):
    """A value in the program's %w.d field: the binary value rounded to d
    decimals, the lone leading zero only where it fits, asterisks where
    nothing does."""
    v = float(value)
    if not np.isfinite(v):
        return "*" * w
    whole, fraction = f"{abs(v):.{d}f}".split(".")
    sign = "-" if np.signbit(v) else ""
    digits = "" if whole == "0" else whole
    if whole == "0" and len(sign) + 1 + d < w:
        digits = "0"
    text = sign + digits + "." + fraction
    return "*" * w if len(text) > w else text.rjust(w)
