"""Reads a result.vtu of `cae task3d` with ParaView's own reader and prints what it found, one item a
line, for the tests to check that ParaView sees what the file means to say:

    pvpython read_task_vtu.py RESULT.VTU

    cells <the distinct VTK cell types>
    tensors <name of the point data's tensor array>
    point <name> <number of components>      (per point array)
    field <name> <text>                      (per string array of the field data)
    value <name> <component> <value at point 0>   (per point array and component)"""
import sys

from paraview import servermanager
from paraview.simple import XMLUnstructuredGridReader

reader = XMLUnstructuredGridReader(FileName=[sys.argv[1]])
reader.UpdatePipeline()
grid = servermanager.Fetch(reader)
print("cells", " ".join(str(t) for t in sorted({grid.GetCellType(i) for i in range(grid.GetNumberOfCells())})))
points = grid.GetPointData()
if points.GetTensors():
    print("tensors", points.GetTensors().GetName())
for i in range(points.GetNumberOfArrays()):
    array = points.GetArray(i)
    print("point", array.GetName(), array.GetNumberOfComponents())
    for c in range(array.GetNumberOfComponents()):
        print("value", array.GetName(), c, repr(array.GetComponent(0, c)))
fields = grid.GetFieldData()
for i in range(fields.GetNumberOfArrays()):
    array = fields.GetAbstractArray(i)
    print("field", array.GetName(), array.GetValue(0))
