#!/usr/bin/python3
"""Solves a task deck (task.dat of `cae task3d`) again with CalculiX and prints the largest
displacement length and the largest element von Mises stress, for the tests to compare with the
solver program's results on the same mesh.

    deck_to_calculix.py TASK.DAT WORK-FOLDER

Reads GRID, CTETRA, MAT1, LOAD, PLOAD4 (normal pressures) and SPC1 (components 123 of grids; the
rotation constraints of solids are meaningless for CalculiX's C3D4 and are left out)."""
import math
import os
import subprocess
import sys

deck, work = sys.argv[1], sys.argv[2]
grids, tetras, pressures, fixed, scales = {}, {}, [], set(), {}
young = poisson = None
cards = []
with open(deck) as f:
    pending = ""
    for line in f:
        line = line.rstrip("\n")
        if line.startswith("$"):
            continue
        pending += line
        if pending.startswith("LOAD,") and pending.endswith(","):  # goes on on the next line
            continue
        cards.append(pending.split(","))
        pending = ""
for c in cards:
    name = c[0]
    if name == "GRID":
        grids[int(c[1])] = tuple(float(v) for v in c[3:6])
    elif name == "CTETRA":
        tetras[int(c[1])] = [int(v) for v in c[3:7]]
    elif name == "MAT1":
        young, poisson = float(c[2]), float(c[4])
    elif name == "LOAD":
        overall = float(c[2])
        for i in range(3, len(c) - 1, 2):
            scales[int(c[i + 1])] = overall * float(c[i])
    elif name == "PLOAD4":
        if any(v.strip() for v in c[9:]):
            sys.exit("directional pressures are not converted")
        pressures.append((int(c[1]), int(c[2]), float(c[3]), int(c[8])))
    elif name == "SPC1" and c[2] == "123":
        items = c[3:]
        i = 0
        while i < len(items):
            if i + 2 < len(items) and items[i + 1] == "THRU":
                fixed.update(range(int(items[i]), int(items[i + 2]) + 1))
                i += 3
            else:
                fixed.add(int(items[i]))
                i += 1

# CalculiX numbers a C3D4's faces 1: 1-2-3, 2: 1-4-2, 3: 2-4-3, 4: 3-4-1; each is named here by the
# corner it leaves out.
face_without = {3: 1, 2: 2, 0: 3, 1: 4}
os.makedirs(work, exist_ok=True)
with open(os.path.join(work, "task.inp"), "w") as out:
    out.write("*NODE, NSET=NALL\n")
    for g, x in sorted(grids.items()):
        out.write("%d,%.12e,%.12e,%.12e\n" % (g, *x))
    out.write("*ELEMENT, TYPE=C3D4, ELSET=EALL\n")
    for e, t in sorted(tetras.items()):
        out.write("%d,%d,%d,%d,%d\n" % (e, *t))
    out.write("*MATERIAL, NAME=DECK\n*ELASTIC\n%.12e,%.12e\n" % (young, poisson))
    out.write("*SOLID SECTION, ELSET=EALL, MATERIAL=DECK\n*BOUNDARY\n")
    for g in sorted(fixed):
        out.write("%d,1,3\n" % g)
    out.write("*STEP\n*STATIC\n*DLOAD\n")
    for sid, e, p, opposite in pressures:
        out.write("%d,P%d,%.12e\n" % (e, face_without[tetras[e].index(opposite)], scales.get(sid, 0.0) * p))
    out.write("*NODE PRINT, NSET=NALL\nU\n*EL PRINT, ELSET=EALL\nS\n*END STEP\n")
subprocess.run(["ccx", "-i", "task"], cwd=work, check=True, stdout=subprocess.DEVNULL)

largest_u = largest_s = 0.0
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
            vm = math.sqrt(0.5 * ((sxx - syy) ** 2 + (syy - szz) ** 2 + (szz - sxx) ** 2)
                           + 3 * (sxy ** 2 + sxz ** 2 + syz ** 2))
            largest_s = max(largest_s, vm)
print("%.17g %.17g" % (largest_u, largest_s))
