#!/usr/bin/env python3
"""Draws the part of drawn_bracket.json the way a CAD user would, on its own layer, and saves it as
drawn_bracket.dxf beside this script. Needs ezdxf (Debian: python3-ezdxf).

The part: a 160 x 90 mm bracket, its arm ending in a spline, a fillet in the re-entrant corner, a
rounded bump on its back drawn as a polyline with a bulge, and two bolt holes.
"""
import pathlib

import ezdxf

LAYER = "PART"

doc = ezdxf.new("R2010")
doc.header["$INSUNITS"] = 4  # millimetres
doc.header["$MEASUREMENT"] = 1  # metric
doc.layers.add(LAYER, color=4)
doc.layers.add("NOTES", color=7)
msp = doc.modelspace()
on_part = {"layer": LAYER}

# The arm along the bottom, ending in a spline through three points (control points given, so
# every program reads the same curve).
msp.add_line((0, 0), (160, 0), dxfattribs=on_part)
msp.add_open_spline([(160, 0), (172, 10), (172, 30), (160, 40)], degree=3, dxfattribs=on_part)
msp.add_line((160, 40), (75, 40), dxfattribs=on_part)
# The fillet of radius 10 in the re-entrant corner: counter-clockwise from 180 to 270 degrees.
msp.add_arc((75, 50), 10, 180, 270, dxfattribs=on_part)
msp.add_line((65, 50), (65, 90), dxfattribs=on_part)
# The top and the back as one polyline; the back has a rounded bump (a half circle, bulge 1).
msp.add_lwpolyline([(65, 90, 0), (0, 90, 0), (0, 60, 1), (0, 30, 0), (0, 0, 0)], format="xyb",
                   dxfattribs=on_part)
# Bolt holes.
msp.add_circle((30, 60), 8, dxfattribs=on_part)
msp.add_circle((130, 20), 6, dxfattribs=on_part)
# A note beside the part, on another layer: not part of the region.
msp.add_text("BRACKET 8 mm AL", dxfattribs={"layer": "NOTES", "height": 5}).set_pos((0, -15))

doc.saveas(pathlib.Path(__file__).with_suffix(".dxf"))
