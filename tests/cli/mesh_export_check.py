# End-to-end checks of `orvex-cli export`, read back by a reader of its own.
#
# Usage: mesh_export_check.py PATH-TO-ORVEX-CLI
#
# The STL and OBJ files are parsed here from their published layouts, not with
# Orvex's code: both formats carry the same triangles, unit normals agree with
# the winding and face up (or out of the closed solid), a closed solid has every
# edge shared by exactly two triangles in opposite directions and a positive
# volume, and cells where the function is not finite are holes. Which cells a
# mesh keeps, its bounds and a fit's cut are the core's to test.

import math
import os
import struct
import subprocess
import sys
import tempfile

CLI = sys.argv[1]
failures = []


def check(condition, what):
    if not condition:
        failures.append(what)
    return condition


def run(*args):
    return subprocess.run([CLI, *args], capture_output=True, text=True)


def cross(u, v):
    return [u[1] * v[2] - u[2] * v[1], u[2] * v[0] - u[0] * v[2], u[0] * v[1] - u[1] * v[0]]


def dot(u, v):
    return sum(p * q for p, q in zip(u, v))


# [([normal], (v0, v1, v2))] of a binary STL.
def read_stl(path):
    with open(path, "rb") as f:
        data = f.read()
    (count,) = struct.unpack_from("<I", data, 80)
    check(len(data) == 84 + 50 * count, f"{path}: {len(data)} bytes for {count} triangles")
    records = (struct.unpack_from("<12fH", data, 84 + 50 * k) for k in range(count))
    return [([list(r[0:3])], (r[3:6], r[6:9], r[9:12])) for r in records]


# [(normals of the corners, (v0, v1, v2))] of an OBJ, its numbers read as the
# 32-bit floats the STL holds; every vertex must be used once.
def read_obj(path):
    lists = {"v": [], "vn": [], "f": []}
    with open(path) as f:
        for line in f:
            kind, *fields = line.split() or ["#"]
            if kind != "#":
                lists[kind].append(fields)  # a line of another kind fails here
    f32 = [[tuple(struct.unpack("<3f", struct.pack("<3f", *map(float, v)))) for v in lists[k]]
           for k in ("v", "vn")]
    corners = [[[int(i) - 1 for i in c.split("//")] for c in face] for face in lists["f"]]
    check(sorted({v for c in corners for v, _ in c}) == list(range(len(set(f32[0])))),
          f"{path}: unused or repeated vertices")
    return [([f32[1][n] for _, n in c], tuple(f32[0][v] for v, _ in c)) for c in corners]


# Both formats of one export, which must carry the same `count` triangles
# corner for corner, each with unit normals on the side its corners turn
# counter-clockwise about (a facet's own along that side); with up, facing up.
def export(folder, name, args, count, up=True):
    paths = [os.path.join(folder, name + ext) for ext in (".stl", ".OBJ")]
    for path in paths:
        result = run("export", *args, "-o", path)
        if not check(result.returncode == 0, f"{name}: export {path}: {result.stderr}"):
            return []
    stl, obj = read_stl(paths[0]), read_obj(paths[1])
    check([v for _, v in stl] == [v for _, v in obj], f"{name}: STL and OBJ differ")
    check(len(stl) == count, f"{name}: {len(stl)} triangles, not {count}")
    for k, (normals, (a, b, c)) in enumerate(stl + obj):
        turn = cross([q - p for p, q in zip(a, b)], [q - p for p, q in zip(a, c)])
        along = 0.999 * math.sqrt(dot(turn, turn)) if len(normals) == 1 else 0.0
        if not check(all(abs(math.sqrt(dot(n, n)) - 1) < 1e-5 and dot(n, turn) > along and
                         (n[2] > 0 or not up) for n in normals), f"{name}: triangle {k}"):
            break
    return stl


# NaN left of x = 0: the right half only, from x = 0 on.
def holes(folder):
    export(folder, "default", [], 2 * 32 * 32)
    xs = [v[0] for _, vs in export(folder, "sqrt", ["--set", "m_strFormula=sqrt(x)"], 32 * 32)
          for v in vs]
    check(min(xs or [-1]) == 0, f"sqrt: x from {min(xs or [-1])}")


# Every edge in exactly two triangles, once each way, and a positive volume.
def closed_solid(folder):
    triangles = export(folder, "solid", ["--solid", "--set", "m_nMesh=5"], 2 * 25 + 60, up=False)
    edges = [edge for _, (a, b, c) in triangles for edge in ((a, b), (b, c), (c, a))]
    check(sorted(edges) == sorted((b, a) for a, b in edges) and len(set(edges)) == len(edges),
          "solid: edges")
    volume = sum(dot(a, cross(b, c)) / 6 for _, (a, b, c) in triangles)
    check(volume > 0, f"solid: volume {volume}")


# Each fails with a message and a non-zero exit, and leaves the target alone.
def refusals(folder):
    target = os.path.join(folder, "kept.stl")
    with open(target, "wb") as f:
        f.write(b"old contents")
    os.mkdir(os.path.join(folder, "folder.stl"))
    before = sorted(os.listdir(folder))
    cases = [(1, ["--solid", "--set", "m_strFormula=sqrt(x)", "-o", target]),
             (1, ["-o", os.path.join(folder, "missing", "x.stl")]),
             (1, ["-o", os.path.join(folder, "folder.stl")]),
             (2, ["-o", os.path.join(folder, "x.ply")]), (2, ["--solid"]),
             (2, ["--bogus", "-o", target])]
    for code, args in cases:
        result = run("export", *args)
        check(result.returncode == code and result.stderr and not result.stdout,
              f"export {args}: exit {result.returncode}, stderr {result.stderr!r}")
    with open(target, "rb") as f:
        check(f.read() == b"old contents", "a refused export touched the old file")
    check(sorted(os.listdir(folder)) == before, "a refused export left a file behind")


for part in (holes, closed_solid, refusals):
    with tempfile.TemporaryDirectory() as folder:
        part(folder)
for failure in failures:
    print("FAIL:", failure)
sys.exit(1 if failures else 0)
