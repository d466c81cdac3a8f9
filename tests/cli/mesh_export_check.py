"""End-to-end checks of `orvex-cli export`, read back by a reader of its own.

Usage: mesh_export_check.py PATH-TO-ORVEX-CLI

The STL and OBJ files are parsed here from their published layouts, not with
Orvex's code, and checked against the grid `orvex-cli sample` reports:
triangle counts, bounds, unit normals that agree with the winding and face up
(or out of the closed solid), closed solids with every edge shared by exactly
two triangles in opposite directions and a positive volume, holes where the
function is not finite, and no NaN anywhere.
"""

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


def f32(text):
    """The float the text names: both files hold 32-bit floats."""
    return struct.unpack("<f", struct.pack("<f", float(text)))[0]


def read_stl(path):
    """[(normal, (v0, v1, v2))] of a binary STL."""
    with open(path, "rb") as f:
        data = f.read()
    (count,) = struct.unpack_from("<I", data, 80)
    if len(data) != 84 + 50 * count:
        raise ValueError(f"{path}: {len(data)} bytes for {count} triangles")
    records = (struct.unpack_from("<12fH", data, 84 + 50 * k) for k in range(count))
    return [(list(r[0:3]), (r[3:6], r[6:9], r[9:12])) for r in records]


def read_obj(path):
    """[(normals of the corners, (v0, v1, v2))] and the vertex count of an OBJ."""
    vertices, normals, faces = [], [], []
    with open(path) as f:
        for line in f:
            fields = line.split()
            if not fields or fields[0] == "#":
                continue
            if fields[0] == "v":
                vertices.append(tuple(f32(v) for v in fields[1:4]))
            elif fields[0] == "vn":
                normals.append([f32(v) for v in fields[1:4]])
            elif fields[0] == "f":
                corners = [tuple(int(i) - 1 for i in c.split("//")) for c in fields[1:]]
                if len(corners) != 3 or min(min(c) for c in corners) < 0:
                    raise ValueError(f"{path}: bad face {line!r}")
                faces.append(
                    ([normals[c[1]] for c in corners], tuple(vertices[c[0]] for c in corners))
                )
            else:
                raise ValueError(f"{path}: unknown line {line!r}")
    return faces, len(vertices)


def extents(args):
    """MAXX MINX MAXY MINY MAXZ MINZ of the surface grid that `sample` gives."""
    result = run("sample", "--summary", *args)
    return [f32(v) for v in result.stdout.split("\n")[0].split()[1:]]


def check_normals(name, triangles, facet, up):
    """Unit normals on the side the corners turn counter-clockwise about: a
    facet's own normal along that side, a corner's mean normal on it; with up,
    all facing up."""
    for k, (normals, vertices) in enumerate(triangles):
        values = [v for n in normals for v in n] + [c for v in vertices for c in v]
        if not check(all(math.isfinite(v) for v in values), f"{name}: triangle {k} not finite"):
            return
        turn = cross(sub(vertices[1], vertices[0]), sub(vertices[2], vertices[0]))
        along = 0.999 * math.sqrt(dot(turn, turn)) if facet else 0.0
        for n in normals:
            ok = abs(math.sqrt(dot(n, n)) - 1) < 1e-5 and dot(n, turn) > along
            if not check(ok and (n[2] > 0 or not up), f"{name}: triangle {k}: {n}, {turn}"):
                return


def check_closed(name, triangles):
    """Every edge in exactly two triangles, once each way, and a positive volume."""
    edges = {}
    volume = 0.0
    for _, (a, b, c) in triangles:
        for edge in ((a, b), (b, c), (c, a)):
            edges[edge] = edges.get(edge, 0) + 1
        volume += dot(a, cross(b, c)) / 6
    check(all(n == 1 for n in edges.values()), f"{name}: an edge is used twice the same way")
    check(all(edges.get((b, a)) == 1 for a, b in edges), f"{name}: an edge has no partner")
    check(volume > 0, f"{name}: volume {volume}")
    return volume


def export(folder, name, args):
    """Both formats of one export: STL triangles (one normal each) and OBJ faces."""
    stl, obj = os.path.join(folder, name + ".stl"), os.path.join(folder, name + ".OBJ")
    for path in (stl, obj):
        result = run("export", *args, "-o", path)
        if not check(result.returncode == 0, f"{name}: export {path}: {result.stderr}"):
            return None, None, 0
    triangles = [([n], v) for n, v in read_stl(stl)]
    faces, vertex_count = read_obj(obj)
    # The two formats carry the same triangles, corner for corner.
    check([v for _, v in triangles] == [v for _, v in faces], f"{name}: STL and OBJ differ")
    return triangles, faces, vertex_count


def open_surfaces(folder):
    # Sets, the triangle count expected, and the x range the vertices keep to.
    cases = [
        ("default", [], 2 * 32 * 32, None),
        # Odd N puts no point on the axes; a negative range turns the grid half round.
        ("odd, negative range", ["--set", "m_nMesh=7", "--set", "m_dRange=-3"], 2 * 49, None),
        # NaN left of x = 0: the right half only.
        ("sqrt(x)", ["--set", "m_strFormula=sqrt(x)", "--set", "m_nMesh=16"], 16 * 16, 0.0),
        # -inf at the origin alone: the six triangles around it go.
        ("log", ["--set", "m_strFormula=log(x^2+y^2)", "--set", "m_nMesh=16"], 2 * 256 - 6, None),
    ]
    for name, args, count, min_x in cases:
        triangles, faces, vertex_count = export(folder, name, args)
        if triangles is None:
            continue
        check(len(triangles) == count, f"{name}: {len(triangles)} triangles, not {count}")
        points = {v for _, vs in triangles for v in vs}
        check(vertex_count == len(points), f"{name}: OBJ has unused or repeated vertices")
        max_x, low_x, max_y, min_y, max_z, min_z = extents(args)
        xs, ys, zs = ([p[k] for p in points] for k in range(3))
        bounds = (min(xs), max(xs), min(ys), max(ys), min(zs), max(zs))
        grid = (low_x if min_x is None else min_x, max_x, min_y, max_y, min_z, max_z)
        check(bounds == grid, f"{name}: bounds {bounds}, not {grid}")
        check_normals(name + " STL", triangles, True, True)
        check_normals(name + " OBJ", faces, False, True)


def closed_solids(folder):
    for name, args in [("solid", []), ("solid, odd", ["--set", "m_nMesh=5"])]:
        n = 5 if args else 32
        triangles, faces, _ = export(folder, name, ["--solid", *args])
        if triangles is None:
            continue
        check(len(triangles) == 2 * n * n + 12 * n, f"{name}: {len(triangles)} triangles")
        max_z, min_z = extents(args)[4:6]
        zs = [v[2] for _, vs in triangles for v in vs]
        # The base lies below the lowest point; the top is the highest.
        check(min(zs) < min_z and max(zs) == max_z, f"{name}: z {min(zs), max(zs)}, {min_z, max_z}")
        check_normals(name + " STL", triangles, True, False)
        check_normals(name + " OBJ", faces, False, False)
        volumes = [check_closed(name + " STL", triangles), check_closed(name + " OBJ", faces)]
        check(volumes[0] == volumes[1], f"{name}: volumes {volumes}")


def fitted(folder):
    """--fit: the cells `sample --fit` counts as left out are missing, and the
    heights are held at the fitted range's ends, -R/2 and +R/2 (R = 12)."""
    for name, formula in (("fit tan", "tan(x*y)"), ("fit ring", "1/(x^2+y^2-25)")):
        args = ["--fit", "--set", "m_strFormula=" + formula]
        triangles = export(folder, name, args)[0]
        if triangles is None:
            continue
        summary = run("sample", "--summary", *args).stdout.split("\n")
        left_out = int(next(line for line in summary if line.startswith("fit ")).split()[4])
        max_z = f32(summary[0].split()[5])
        check(len(triangles) == 2 * (32 * 32 - left_out), f"{formula}: {len(triangles)} triangles")
        zs = [v[2] for _, vs in triangles for v in vs]
        # The fitted heights run past the cut: the file holds them at it.
        check((max_z > 6, min(zs) >= -6, max(zs)) == (True, True, 6), f"{formula}: z {min(zs), max(zs)}")
        check_normals(name, triangles, True, True)


def refusals(folder):
    """Each fails with a message and a non-zero exit, and leaves the target alone."""
    target = os.path.join(folder, "kept.stl")
    with open(target, "wb") as f:
        f.write(b"old contents")
    os.mkdir(os.path.join(folder, "folder.stl"))
    before = sorted(os.listdir(folder))
    def out(*names):
        return ["-o", os.path.join(folder, *names)]

    cases = [(1, [*args, "-o", target]) for args in (
        ["--solid", "--set", "m_strFormula=sqrt(x)"], ["--set", "m_strFormula=2X"],
        ["--set", "m_strFormula=sqrt(0-1)"], ["--set", "m_nMesh=0"], ["--set", "m_nMesh=40000"],
        ["--set", "m_dRange=0"], [os.path.join(folder, "missing.ovx")])]
    cases += [(1, out("missing", "x.stl")), (1, out("folder.stl")), (2, out("x.ply"))]
    cases += [(2, ["--set", "m_nMesh", "-o", target]), (2, ["--solid"]), (2, ["--bogus", "-o", target])]
    for code, args in cases:
        result = run("export", *args)
        check(
            result.returncode == code and result.stderr and not result.stdout,
            f"export {args}: exit {result.returncode}, stderr {result.stderr!r}",
        )
    with open(target, "rb") as f:
        check(f.read() == b"old contents", "a refused export touched the old file")
    check(sorted(os.listdir(folder)) == before, "a refused export left a file behind")


with tempfile.TemporaryDirectory() as folder:
    for part in (open_surfaces, closed_solids, fitted):
        part(folder)
with tempfile.TemporaryDirectory() as folder:
    refusals(folder)

for failure in failures:
    print("FAIL:", failure)
sys.exit(1 if failures else 0)
