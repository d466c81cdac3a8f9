# End-to-end checks of `orvex-cli export`, read back by a reader of its own.
#
# Usage: mesh_export_check.py PATH-TO-ORVEX-CLI
#
# The STL and OBJ files are parsed here from their published layouts, not with
# Orvex's code, and checked against the grid `orvex-cli sample` reports:
# triangle counts, bounds, unit normals that agree with the winding and face up
# (or out of the closed solid), a closed solid with every edge shared by exactly
# two triangles in opposite directions and a positive volume, holes where the
# function is not finite. Which cells a mesh keeps is the core's to test.

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


def sub(a, b):
    return [p - q for p, q in zip(a, b)]


def cross(u, v):
    return [u[1] * v[2] - u[2] * v[1], u[2] * v[0] - u[0] * v[2], u[0] * v[1] - u[1] * v[0]]


def dot(u, v):
    return sum(p * q for p, q in zip(u, v))


# The float the text names: both files hold 32-bit floats.
def f32(text):
    return struct.unpack("<f", struct.pack("<f", float(text)))[0]


# [([normal], (v0, v1, v2))] of a binary STL.
def read_stl(path):
    with open(path, "rb") as f:
        data = f.read()
    (count,) = struct.unpack_from("<I", data, 80)
    check(len(data) == 84 + 50 * count, f"{path}: {len(data)} bytes for {count} triangles")
    records = (struct.unpack_from("<12fH", data, 84 + 50 * k) for k in range(count))
    return [([list(r[0:3])], (r[3:6], r[6:9], r[9:12])) for r in records]


# [(normals of the corners, (v0, v1, v2))] and the vertex count of an OBJ.
def read_obj(path):
    lists = {"v": [], "vn": [], "f": []}
    with open(path) as f:
        for line in f:
            kind, *fields = line.split() or ["#"]
            if kind != "#":
                lists[kind].append(fields)  # a line of another kind fails here
    vertices = [tuple(f32(v) for v in fields) for fields in lists["v"]]
    normals = [[f32(v) for v in fields] for fields in lists["vn"]]
    corners = [[[int(i) - 1 for i in c.split("//")] for c in face] for face in lists["f"]]
    check(all(len(c) == 3 for c in corners), f"{path}: a face is not a triangle")
    faces = [([normals[n] for _, n in c], tuple(vertices[v] for v, _ in c)) for c in corners]
    return faces, len(vertices)


# MAXX MINX MAXY MINY MAXZ MINZ of the surface grid that `sample` gives.
def extents(args):
    return [f32(v) for v in run("sample", "--summary", *args).stdout.split("\n")[0].split()[1:]]


# Unit normals on the side the corners turn counter-clockwise about: a
# facet's own normal along that side, a corner's mean normal on it; with up,
# all facing up.
def check_normals(name, triangles, up):
    for k, (normals, vertices) in enumerate(triangles):
        values = [v for n in normals for v in n] + [c for v in vertices for c in v]
        turn = cross(sub(vertices[1], vertices[0]), sub(vertices[2], vertices[0]))
        along = 0.999 * math.sqrt(dot(turn, turn)) if len(normals) == 1 else 0.0
        ok = all(math.isfinite(v) for v in values) and all(
            abs(math.sqrt(dot(n, n)) - 1) < 1e-5 and dot(n, turn) > along and (n[2] > 0 or not up)
            for n in normals)
        if not check(ok, f"{name}: triangle {k}: {normals}, {turn}"):
            return


# Both formats of one export, which must carry the same `count` triangles
# corner for corner with their normals right (the OBJ's corner normals
# unless told not to); the STL's triangles.
def export(folder, name, args, count, up=True, corners=True):
    stl, obj = os.path.join(folder, name + ".stl"), os.path.join(folder, name + ".OBJ")
    for path in (stl, obj):
        result = run("export", *args, "-o", path)
        if not check(result.returncode == 0, f"{name}: export {path}: {result.stderr}"):
            return []
    triangles, (faces, vertex_count) = read_stl(stl), read_obj(obj)
    check([v for _, v in triangles] == [v for _, v in faces], f"{name}: STL and OBJ differ")
    check(len(triangles) == count, f"{name}: {len(triangles)} triangles, not {count}")
    points = {v for _, vs in triangles for v in vs}
    check(vertex_count == len(points), f"{name}: OBJ has unused or repeated vertices")
    check_normals(name + " STL", triangles, up)
    check_normals(name + " OBJ", faces if corners else [], up)
    return triangles


def open_surfaces(folder):
    # NaN left of x = 0: the right half only, from x = 0 on.
    for name, args, count, min_x in [("default", [], 2 * 32 * 32, None),
                                     ("sqrt", ["--set", "m_strFormula=sqrt(x)"], 32 * 32, 0.0)]:
        points = {v for _, vs in export(folder, name, args, count) for v in vs}
        max_x, low_x, max_y, min_y, max_z, min_z = extents(args)
        xs, ys, zs = ([p[k] for p in points] for k in range(3))
        bounds = (min(xs), max(xs), min(ys), max(ys), min(zs), max(zs)) if points else ()
        grid = (low_x if min_x is None else min_x, max_x, min_y, max_y, min_z, max_z)
        check(bounds == grid, f"{name}: bounds {bounds}, not {grid}")


# Every edge in exactly two triangles, once each way, a positive volume;
# the base below the lowest point, the top the highest.
def closed_solid(folder):
    args, n = ["--set", "m_nMesh=5"], 5
    triangles = export(folder, "solid", ["--solid", *args], 2 * n * n + 12 * n, up=False)
    edges, volume = {}, 0.0
    for _, (a, b, c) in triangles:
        for edge in ((a, b), (b, c), (c, a)):
            edges[edge] = edges.get(edge, 0) + 1
        volume += dot(a, cross(b, c)) / 6
    check(all(n == 1 and edges.get((b, a)) == 1 for (a, b), n in edges.items()), "solid: edges")
    check(volume > 0, f"solid: volume {volume}")
    max_z, min_z = extents(args)[4:6]
    zs = [v[2] for _, vs in triangles for v in vs] or [0]
    check(min(zs) < min_z and max(zs) == max_z, f"solid: z {min(zs), max(zs)}, {min_z, max_z}")


# --fit: the cells `sample --fit` counts as left out are missing, and the
# heights are held at the fitted range's ends, -R/2 and +R/2 (R = 12).
def fitted(folder):
    args = ["--fit", "--set", "m_strFormula=1/(x^2+y^2-25)"]
    summary = run("sample", "--summary", *args).stdout.split("\n")
    left_out = int(next(line for line in summary if line.startswith("fit ")).split()[4])
    count = 2 * (32 * 32 - left_out)
    zs = [v[2] for _, vs in export(folder, "fit", args, count, corners=False) for v in vs] or [0]
    # The fitted heights run past the cut: the file holds them at it.
    check(f32(summary[0].split()[5]) > 6 and min(zs) >= -6 and max(zs) == 6,
          f"fit: z {min(zs), max(zs)}")


# Each fails with a message and a non-zero exit, and leaves the target alone.
def refusals(folder):
    target = os.path.join(folder, "kept.stl")
    with open(target, "wb") as f:
        f.write(b"old contents")
    os.mkdir(os.path.join(folder, "folder.stl"))
    before = sorted(os.listdir(folder))
    cases = [(1, ["--solid", "--set", "m_strFormula=sqrt(x)", "-o", target]),
             (1, [os.path.join(folder, "missing.ovx"), "-o", target]),
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


for part in (open_surfaces, closed_solid, fitted, refusals):
    with tempfile.TemporaryDirectory() as folder:
        part(folder)
for failure in failures:
    print("FAIL:", failure)
sys.exit(1 if failures else 0)
