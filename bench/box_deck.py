#!/usr/bin/env python3
"""Writes the benchmark box in the current folder, for the solver program (task.dat) and for CalculiX
(box.inp): a box of linear tetrahedra (structured cells of six tetrahedra each), clamped at x = 0, with
pressures on two faces.

    bench/box_deck.py <cells along x> <cells along y> <cells along z>
"""
import sys
nx, ny, nz = map(int, sys.argv[1:4])
lx, ly, lz = 4.0, 3.0, 2.8
e, nu = 2.0e5, 0.3
def nid(i, j, k):
    return 1 + i + (nx + 1) * (j + (ny + 1) * k)
nodes = [(lx * i / nx, ly * j / ny, lz * k / nz) for k in range(nz + 1) for j in range(ny + 1) for i in range(nx + 1)]
tets = []
perms = [(0, 1, 2), (0, 2, 1), (1, 0, 2), (1, 2, 0), (2, 0, 1), (2, 1, 0)]
def det(a, b, c, d):
    u = [b[q] - a[q] for q in range(3)]; v = [c[q] - a[q] for q in range(3)]; w = [d[q] - a[q] for q in range(3)]
    return u[0] * (v[1] * w[2] - v[2] * w[1]) - u[1] * (v[0] * w[2] - v[2] * w[0]) + u[2] * (v[0] * w[1] - v[1] * w[0])
for k in range(nz):
    for j in range(ny):
        for i in range(nx):
            for p in perms:
                c = [0, 0, 0]
                t = [nid(i, j, k)]
                for ax in p:
                    c[ax] += 1
                    t.append(nid(i + c[0], j + c[1], k + c[2]))
                if det(*(nodes[g - 1] for g in t)) < 0:
                    t[1], t[2] = t[2], t[1]
                tets.append(t)
def faces(on):
    out = []
    for n, t in enumerate(tets):
        off = [a for a in range(4) if not on(nodes[t[a] - 1])]
        if len(off) == 1:
            out.append((n, off[0]))
    return out
# Coordinates are i * l / n, so the far faces are told with a tolerance: l * n / n need not give l.
loads = [(faces(lambda x: abs(x[0] - lx) < 1e-9), 30.0), (faces(lambda x: abs(x[2] - lz) < 1e-9), 2.5)]
fixed = [g for g in range(1, len(nodes) + 1) if nodes[g - 1][0] == 0.0]
f = lambda v: "%.6E" % v
# Every pressed face once, as a card for each program: the solver program's names a grid on the face and
# the one opposite it, CalculiX's the face's number.
face_label = {0: 3, 1: 4, 2: 2, 3: 1}
pload4, dload = [], []
for sid, (fs, p) in enumerate(loads, 1):
    for n, opp in fs:
        t = tets[n]
        pload4.append("PLOAD4,%d,%d,%s,,,,%d,%d,,,,\n" % (sid, n + 1, f(p), t[1 if opp == 0 else 0], t[opp]))
        dload.append("%d,P%d,%s\n" % (n + 1, face_label[opp], f(p)))
coordinates = [tuple(map(f, x)) for x in nodes]
def numbered(out, row, items):
    """Writes every item as a row numbered from 1; both programs number grids and elements the same."""
    out.writelines(row % (k, *item) for k, item in enumerate(items, 1))

with open("task.dat", "w") as d:
    d.write("$ VANTORIX RUN\nSOL 101\nCEND\nDISP=ALL\nSTRESS(VONMISES)=ALL\nTITLE=BENCH\nSUBTITLE=VANTORIX TASK\n"
            "LABEL=SUMMARY\nSPC=100\nECHO=PUNCH\nLOAD=10\n$\nBEGIN BULK\n$     DEFINE GRID POINTS\n")
    numbered(d, "GRID,%d,,%s,%s,%s\n", coordinates)
    d.write("$\n$     DEFINE TETRA ELEMENTS\n")
    numbered(d, "CTETRA,%d,1,%d,%d,%d,%d\n", tets)
    d.write("$\n$     DEFINE PROPERTIES OF ELEMENTS\nPSOLID,1,105,0\nMAT1,105,%s,,%s\n" % (f(e), f(nu)))
    d.write("$     DEFINE LOADS\nLOAD,10,1.0,1.0,1,1.0,2\n$     PRESSURE lOADS\n")
    d.writelines(pload4)
    d.write("$     DEFINE CONSTRAINTS\n$     FIX CONSTRAINTS")
    for q in range(0, len(fixed), 10):
        d.write("\nSPC1,100,123," + ",".join(map(str, fixed[q:q + 10])))
    d.write("\n$     ROTATION CONSTRAINTS\nSPC1,100,456,1,THRU,%d\nENDDATA" % len(nodes))

with open("box.inp", "w") as c:
    c.write("*NODE, NSET=NALL\n")
    numbered(c, "%d,%s,%s,%s\n", coordinates)
    c.write("*ELEMENT, TYPE=C3D4, ELSET=EALL\n")
    numbered(c, "%d,%d,%d,%d,%d\n", tets)
    c.write("*MATERIAL, NAME=STEEL\n*ELASTIC\n%s,%s\n*SOLID SECTION, ELSET=EALL, MATERIAL=STEEL\n*BOUNDARY\n" % (f(e), f(nu)))
    for g in fixed:
        c.write("%d,1,3\n" % g)
    c.write("*STEP\n*STATIC\n*DLOAD\n")
    c.writelines(dload)
    c.write("*NODE FILE\nU\n*EL FILE\nS\n*END STEP\n")
print("model: %d grids, %d tetrahedra" % (len(nodes), len(tets)))
