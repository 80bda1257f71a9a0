#!/usr/bin/python3
"""Solves a task deck (task.dat of `cae task3d`) again with CalculiX and prints the largest
displacement length and the largest element von Mises stress, for the tests to compare with the
solver program's results on the same mesh.

    deck_to_calculix.py TASK.DAT WORK-FOLDER [CORNER-STRESSES]

With CORNER-STRESSES, also writes to that file one line per corner grid of the tetrahedra: its deck
coordinates and the mean over the elements at it of their stresses at that corner, "x y z sxx syy szz
sxy syz szx". A corner's stress is extrapolated here from CalculiX's integration-point stresses (seven
digits), as its own nodal output keeps only six and extrapolates with rounded coefficients: the
stress of a straight-edged ten-node tetrahedron is linear, so its four points give it exactly.

Reads GRID, CTETRA (four or ten grids: C3D4 or C3D10, whose node order is the deck's), MAT1, LOAD,
PLOAD4 (as the nodal forces of the pressure, integrated over the face's real shape with a rule exact
for normal pressures on any face: CalculiX's own rule for six-node faces is not exact on curved-edged
ones), SPC1 (the translations 1-3 it names; the rotation constraints of solids are meaningless for
CalculiX's solid elements and are left out) and MPC (as equations)."""
import math
import os
import subprocess
import sys

deck, work = sys.argv[1], sys.argv[2]
corner_stresses = sys.argv[3] if len(sys.argv) > 3 else None
grids, tetras, tractions, held, equations, scales = {}, {}, [], {}, [], {}
young = poisson = None
cards = []
with open(deck) as f:
    for line in f:
        line = line.rstrip("\n")
        if line.startswith("$"):
            continue
        # A line starting with a comma goes on with the card before it, as does one after a combined
        # load card's line ending in a comma.
        if cards and (line.startswith(",") or (cards[-1].startswith("LOAD,") and cards[-1].endswith(","))):
            cards[-1] += line
        else:
            cards.append(line)
cards = [c.split(",") for c in cards]


def grid_list(items):
    out, i = [], 0
    while i < len(items):
        if i + 2 < len(items) and items[i + 1] == "THRU":
            out.extend(range(int(items[i]), int(items[i + 2]) + 1))
            i += 3
        else:
            out.append(int(items[i]))
            i += 1
    return out


for c in cards:
    name = c[0]
    if name == "GRID":
        grids[int(c[1])] = tuple(float(v) for v in c[3:6])
    elif name == "CTETRA":
        tetras[int(c[1])] = [int(v) for v in c[3:] if v.strip()]
    elif name == "MAT1":
        young, poisson = float(c[2]), float(c[4])
    elif name == "LOAD":
        overall = float(c[2])
        for i in range(3, len(c) - 1, 2):
            scales[int(c[i + 1])] = overall * float(c[i])
    elif name == "PLOAD4":
        direction = tuple(float(v) for v in c[10:13]) if any(v.strip() for v in c[9:]) else None
        tractions.append((int(c[1]), int(c[2]), float(c[3]), int(c[8]), direction))
    elif name == "SPC1" and c[2] != "456":
        for g in grid_list(c[3:]):
            held.setdefault(g, set()).update(int(d) for d in c[2])
    elif name == "MPC":
        fields = c[2:8] + c[9:]
        equations.append([(int(fields[i]), int(fields[i + 1]), float(fields[i + 2]))
                          for i in range(0, len(fields) - 2, 3)])

quadratic = all(len(t) == 10 for t in tetras.values())
# A face is named by the corner it leaves out; its mid-edge nodes follow from its corners.
edges = [(0, 1), (1, 2), (2, 0), (0, 3), (1, 3), (2, 3)]


def face_nodes(t, opposite):
    corners = [k for k in range(4) if t[k] != opposite]
    nodes = [t[k] for k in corners]
    if len(t) == 10:
        for a, b in ((corners[0], corners[1]), (corners[1], corners[2]), (corners[2], corners[0])):
            e = edges.index((a, b)) if (a, b) in edges else edges.index((b, a))
            nodes.append(t[4 + e])
    return nodes


# Six-point rule on the triangle, exact to degree four: a shape function times the face's area
# vector is of degree four on any six-node face, times its area element on a flat one.
rule = [(0.445948490915965, 0.445948490915965, 0.223381589678011),
        (0.445948490915965, 0.108103018168070, 0.223381589678011),
        (0.108103018168070, 0.445948490915965, 0.223381589678011),
        (0.091576213509771, 0.091576213509771, 0.109951743655322),
        (0.091576213509771, 0.816847572980459, 0.109951743655322),
        (0.816847572980459, 0.091576213509771, 0.109951743655322)]


def nodal_shares(nodes, inside):
    """Per node, the integrals of its shape function over the face's area and over its area vector,
    the latter pointing into the element (towards `inside`), as a pressure pushes."""
    x = [grids[n] for n in nodes]
    shares = [0.0] * len(nodes)
    vectors = [[0.0, 0.0, 0.0] for _ in nodes]
    centre = [sum(p[i] for p in x[:3]) / 3 for i in range(3)]
    into = [grids[inside][i] - centre[i] for i in range(3)]
    for r, s, w in rule:
        t = 1.0 - r - s
        if len(nodes) == 3:
            n, dr, ds = [t, r, s], [-1, 1, 0], [-1, 0, 1]
        else:
            n = [t * (2 * t - 1), r * (2 * r - 1), s * (2 * s - 1), 4 * t * r, 4 * r * s, 4 * s * t]
            dr = [-(4 * t - 1), 4 * r - 1, 0, 4 * (t - r), 4 * s, -4 * s]
            ds = [-(4 * t - 1), 0, 4 * s - 1, -4 * r, 4 * r, 4 * (t - s)]
        a = [sum(dr[k] * x[k][i] for k in range(len(nodes))) for i in range(3)]
        b = [sum(ds[k] * x[k][i] for k in range(len(nodes))) for i in range(3)]
        cross = (a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0])
        area = 0.5 * w * math.sqrt(sum(v * v for v in cross))
        sign = 1.0 if sum(cross[i] * into[i] for i in range(3)) > 0 else -1.0
        for k in range(len(nodes)):
            shares[k] += n[k] * area
            for i in range(3):
                vectors[k][i] += n[k] * 0.5 * w * sign * cross[i]
    return shares, vectors


forces = {}
for sid, e, p, opposite, direction in tractions:
    nodes = face_nodes(tetras[e], opposite)
    shares, vectors = nodal_shares(nodes, opposite)
    for k, node in enumerate(nodes):
        for i in range(3):
            key = (node, i + 1)
            f = shares[k] * direction[i] if direction else vectors[k][i]
            forces[key] = forces.get(key, 0.0) + scales.get(sid, 0.0) * p * f

os.makedirs(work, exist_ok=True)
with open(os.path.join(work, "task.inp"), "w") as out:
    out.write("*NODE, NSET=NALL\n")
    for g, x in sorted(grids.items()):
        out.write("%d,%.12e,%.12e,%.12e\n" % (g, *x))
    out.write("*ELEMENT, TYPE=%s, ELSET=EALL\n" % ("C3D10" if quadratic else "C3D4"))
    for e, t in sorted(tetras.items()):
        # At most 16 entries a line: ten nodes fit after the element number.
        out.write("%d,%s\n" % (e, ",".join(str(g) for g in t)))
    out.write("*MATERIAL, NAME=DECK\n*ELASTIC\n%.12e,%.12e\n" % (young, poisson))
    out.write("*SOLID SECTION, ELSET=EALL, MATERIAL=DECK\n")
    if equations:
        # The first term of an equation is the one CalculiX eliminates: the largest one that no
        # single-point constraint holds.
        out.write("*EQUATION\n")
        for terms in equations:
            terms = [t for t in terms if t[2] != 0.0]
            free = [t for t in terms if t[1] not in held.get(t[0], ())]
            first = max(free, key=lambda t: abs(t[2]))
            terms.remove(first)
            out.write("%d\n" % (len(terms) + 1))
            out.write(",".join("%d,%d,%.12e" % t for t in [first] + terms) + "\n")
    out.write("*BOUNDARY\n")
    for g in sorted(held):
        for d in sorted(held[g]):
            out.write("%d,%d,%d\n" % (g, d, d))
    out.write("*STEP\n*STATIC\n")
    if forces:
        out.write("*CLOAD\n")
        for (node, dof), value in sorted(forces.items()):
            out.write("%d,%d,%.12e\n" % (node, dof, value))
    out.write("*NODE PRINT, NSET=NALL\nU\n*EL PRINT, ELSET=EALL\nS\n*END STEP\n")
subprocess.run(["ccx", "-i", "task"], cwd=work, check=True, stdout=subprocess.DEVNULL)

largest_u = largest_s = 0.0
points = {}
section = None
with open(os.path.join(work, "task.dat")) as f:
    for line in f:
        if "displacements" in line:
            section = "u"
            continue
        if "stresses" in line:
            section = "s"
            continue
        v = line.split()
        if len(v) < 4:
            continue
        try:
            numbers = [float(x) for x in v]
        except ValueError:
            continue
        if section == "u":
            largest_u = max(largest_u, math.sqrt(sum(x * x for x in numbers[1:4])))
        elif section == "s" and len(numbers) >= 8:
            sxx, syy, szz, sxy, sxz, syz = numbers[2:8]
            points.setdefault(int(numbers[0]), []).append([sxx, syy, szz, sxy, syz, sxz])
            vm = math.sqrt(0.5 * ((sxx - syy) ** 2 + (syy - szz) ** 2 + (szz - sxx) ** 2)
                           + 3 * (sxy ** 2 + sxz ** 2 + syz ** 2))
            largest_s = max(largest_s, vm)
print("%.17g %.17g" % (largest_u, largest_s))

if corner_stresses:
    # The four-point rule puts point k at the barycentric coordinate a of corner k and b of the others;
    # with a + 3b = 1, a linear field's corner value is (its value at point k - b * the sum) / (a - b).
    a, b = 0.5854101966249685, 0.1381966011250105
    sums, counts = {}, {}
    for e, t in tetras.items():
        p = points[e]
        for k in range(4):
            if len(p) == 1:
                corner = p[0]
            else:
                corner = [(p[k][c] - b * sum(q[c] for q in p)) / (a - b) for c in range(6)]
            total = sums.setdefault(t[k], [0.0] * 6)
            for c in range(6):
                total[c] += corner[c]
            counts[t[k]] = counts.get(t[k], 0) + 1
    with open(corner_stresses, "w") as out:
        for g in sorted(sums):
            out.write(" ".join("%.17g" % v for v in list(grids[g]) + [x / counts[g] for x in sums[g]]) + "\n")
