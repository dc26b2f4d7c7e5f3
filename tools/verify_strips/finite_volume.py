#!/usr/bin/env python3
"""An independent check of the field solver on a board's coupled sections.

For each section of DESIGN as built in STACK (a board of one dielectric
constant), solves Laplace's equation over the cross-section by finite
volumes on a grid graded toward every copper edge and face (the strips
thick, the ground planes at 0 and B, walls far out at +/- 4 B), for
HMIN in micrometres from coarse to fine, and prints each mode's impedance
and the coupling beside the field solver's. Nothing of the field solver is
used but the strips' widths and offsets it chose.

    PYTHONPATH=build/python tools/verify_strips/finite_volume.py DESIGN.dat STACK.toml [HMIN ...]

The 3-section 10 dB coupler on ptfe-homogeneous, centre section, comes to
Zoe 78.701 and Zoo 31.751 ohms (coupling 0.42507) at 0.5 um, where the
field solver gives 78.712 and 31.762 (0.42499); the end sections agree as
closely. Needs python3-scipy.
"""

import sys

import numpy as np
import scipy.sparse as sp
import scipy.sparse.linalg as spl

import quillomate as q

C0 = 299792458.0
EPS0 = 8.8541878128e-12


def graded(lo, hi, edges, hmin, hmax, ratio=1.15):
    """Grid lines from lo to hi through every edge, growing by `ratio` from
    `hmin` beside each edge up to `hmax`."""
    keep = {lo, hi, *edges}
    lines = set(keep)
    for e in edges:
        for sign in (-1, 1):
            x, h = e, hmin
            while lo < x + sign * h < hi:
                x += sign * h
                lines.add(x)
                h = min(h * ratio, hmax)
    merged = []
    for v in sorted(lines):
        if merged and v - merged[-1] < hmin / 2:
            if v in keep:
                merged[-1] = v
            continue
        merged.append(v)
    filled = [merged[0]]
    for v in merged[1:]:
        n = int(np.ceil((v - filled[-1]) / hmax))
        start = filled[-1]
        filled += [start + (v - start) * k / n for k in range(1, n)] + [v]
    return np.array(filled)


def mode_impedances(b, er, upper, lower, hmin):
    """Zoe and Zoo of the strips `upper` and `lower` (each (y0, y1, z0, z1),
    metres) between planes B apart, in a dielectric of `er`."""
    far = 4 * b
    y = graded(-far, far, [upper[0], upper[1], lower[0], lower[1]], hmin, b / 40)
    z = graded(0.0, b, [lower[2], lower[3], upper[2], upper[3]], hmin, b / 40)
    ny, nz = len(y), len(z)
    Y, Z = np.meshgrid(y, z, indexing="ij")

    def inside(s):
        t = 1e-12
        return (Y >= s[0] - t) & (Y <= s[1] + t) & (Z >= s[2] - t) & (Z <= s[3] + t)

    up, low = inside(upper), inside(lower)
    fixed = up | low
    fixed[0, :] = fixed[-1, :] = fixed[:, 0] = fixed[:, -1] = True
    dy, dz = np.diff(y), np.diff(z)
    wy = np.zeros(ny); wy[:-1] += dy / 2; wy[1:] += dy / 2
    wz = np.zeros(nz); wz[:-1] += dz / 2; wz[1:] += dz / 2
    # Each edge of the grid: its two nodes and its conductance (dual width over length).
    a = np.concatenate([np.ravel_multi_index(np.meshgrid(np.arange(ny - 1), np.arange(nz), indexing="ij"), (ny, nz)).ravel(),
                        np.ravel_multi_index(np.meshgrid(np.arange(ny), np.arange(nz - 1), indexing="ij"), (ny, nz)).ravel()])
    c = np.concatenate([np.ravel_multi_index(np.meshgrid(np.arange(1, ny), np.arange(nz), indexing="ij"), (ny, nz)).ravel(),
                        np.ravel_multi_index(np.meshgrid(np.arange(ny), np.arange(1, nz), indexing="ij"), (ny, nz)).ravel()])
    g = np.concatenate([(wz[None, :] / dy[:, None]).ravel(), (wy[:, None] / dz[None, :]).ravel()])
    number = -np.ones(ny * nz, int)
    free = ~fixed.ravel()
    number[free] = np.arange(free.sum())
    out = {}
    for mode, (v_up, v_low) in (("even", (1.0, 1.0)), ("odd", (1.0, -1.0))):
        phi = np.zeros(ny * nz)
        phi[up.ravel()] = v_up
        phi[low.ravel()] = v_low
        rows, cols, vals, rhs = [], [], [], np.zeros(free.sum())
        for p, r in ((a, c), (c, a)):
            np_, nr = number[p], number[r]
            f = np_ >= 0
            rows += [np_[f]]; cols += [np_[f]]; vals += [g[f]]
            both = f & (nr >= 0)
            rows += [np_[both]]; cols += [nr[both]]; vals += [-g[both]]
            edge = f & (nr < 0)
            np.add.at(rhs, np_[edge], g[edge] * phi[r[edge]])
        A = sp.csr_matrix((np.concatenate(vals), (np.concatenate(rows), np.concatenate(cols))))
        phi[free] = spl.spsolve(A.tocsc(), rhs)
        # Energy per metre in air with the strips at +/-1 V is C V^2 per strip.
        energy = 0.5 * EPS0 * np.sum(g * (phi[a] - phi[c]) ** 2)
        out[mode] = 1.0 / (C0 * energy) / np.sqrt(er)
    return out["even"], out["odd"]


def main():
    if len(sys.argv) < 3:
        sys.exit(__doc__)
    design, stack = q.read_design(sys.argv[1]), q.read_stackup(sys.argv[2])
    steps = [float(h) * 1e-6 for h in sys.argv[3:]] or [4e-6, 2e-6, 1e-6]
    ers = {layer.er for layer in stack.layers}
    if len(ers) != 1:
        sys.exit(f"{stack.name}: the check takes a board of one dielectric constant")
    er = ers.pop()
    b, t = stack.b_m, stack.copper_thickness_m
    below = sum(layer.thickness_m for layer in stack.layers[:stack.strips_layer])
    above = below + stack.s_m
    for row in design.dimensions(stackup=stack).board:
        w, w0 = row.width_in * 0.0254, row.offset_in * 0.0254
        upper = (w0 / 2 - w / 2, w0 / 2 + w / 2, above, above + t)
        lower = (-w0 / 2 - w / 2, -w0 / 2 + w / 2, below - t, below)
        k_solver = (row.zoe_field_ohm - row.zoo_field_ohm) / (row.zoe_field_ohm + row.zoo_field_ohm)
        print(f"section {row.section}: field solver Zoe {row.zoe_field_ohm:.3f} Zoo {row.zoo_field_ohm:.3f} "
              f"coupling {k_solver:.5f}")
        for h in steps:
            zoe, zoo = mode_impedances(b, er, upper, lower, h)
            print(f"  finite volumes, {h * 1e6:.2f} um: Zoe {zoe:.3f} Zoo {zoo:.3f} coupling {(zoe - zoo) / (zoe + zoo):.5f}",
                  flush=True)


if __name__ == "__main__":
    main()
