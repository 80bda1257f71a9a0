#!/usr/bin/env python3
"""Draws the part of drawn_bracket.json the way a CAD user would, on its own layer, and saves it as
drawn_bracket.dxf beside this script. Needs ezdxf (Debian: python3-ezdxf).

The part: a 160 x 90 mm bracket, its arm ending in a spline, a fillet in the re-entrant corner, a
rounded bump on its back drawn as a polyline with a bulge, and two bolt holes; beside it, on a layer of
its own, its title, a material note, the arm's length and a datum mark; a centre line in a colour,
weight and dash scale of its own, with data of the user's program attached; a weld symbol of old-style
polylines and a numbered balloon; and two sheets (paper space): the drawing's own, A3, with a frame and
the drawing's number, and a detail sheet, A4, with a view of the fillet through a viewport.
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
# Notes beside the part, on another layer: not part of the region. The drawing's title, its
# material as a text block, the arm's length dimensioned and a datum mark drawn as a block.
on_notes = {"layer": "NOTES"}
doc.styles.new("TITLE", dxfattribs={"font": "isocp.shx", "width": 0.8})
doc.appids.new("BRACKET_PDM")
doc.appids.new("UNUSED_BY_DATA")
msp.add_text("BRACKET 8 mm AL", dxfattribs={"layer": "NOTES", "height": 5, "style": "TITLE"}).set_pos((0, -15))
centre = msp.add_line((30, 45), (30, 75), dxfattribs={**on_notes, "lineweight": 18, "ltscale": 0.5,
                                                       "true_color": 0x3366CC, "transparency": 0x0200007F})
centre.set_xdata("BRACKET_PDM", [(1000, "centre of bolt 1"), (1070, 1)])
msp.add_mtext("EN AW-6082 T6\\Pdeburr all edges", dxfattribs={**on_notes, "char_height": 3.5, "insert": (0, -25)})
msp.add_linear_dim(base=(0, -40), p1=(0, 0), p2=(160, 0), dxfattribs=on_notes).render()
datum = doc.blocks.new("DATUM")
datum.add_lwpolyline([(0, 0), (-4, 7), (4, 7)], close=True)
datum.add_text("A", dxfattribs={"height": 4}).set_pos((-1.5, 8))
msp.add_blockref("DATUM", (0, 0), dxfattribs=on_notes)
# A weld symbol drawn with old-style polylines, one flat with a bulge and one in space, and a balloon
# block whose number is an attribute.
msp.add_polyline2d([(180, 0, 0, 0, 0.5), (190, 10), (200, 0)], format="xyseb", dxfattribs=on_notes)
msp.add_polyline3d([(180, 20, 0), (190, 30, 5), (200, 20, 10)], dxfattribs=on_notes)
balloon = doc.blocks.new("BALLOON")
balloon.add_circle((0, 0), 4)
balloon.add_attdef("NO", (-1.5, -1.5), dxfattribs={"height": 3})
msp.add_blockref("BALLOON", (190, 50), dxfattribs=on_notes).add_attrib("NO", "1", (188.5, 48.5))

doc.layouts.rename("Layout1", "DRW-0815")
sheet = doc.layout("DRW-0815")
sheet.page_setup(size=(420, 297), margins=(10, 10, 10, 10), units="mm")
sheet.add_lwpolyline([(10, 10), (410, 10), (410, 287), (10, 287)], close=True)
sheet.add_text("DRW-0815", dxfattribs={"height": 5, "style": "TITLE"}).set_pos((350, 15))
detail = doc.layouts.new("DETAIL A")
detail.page_setup(size=(297, 210), margins=(10, 10, 10, 10), units="mm")
detail.add_viewport(center=(150, 105), size=(120, 80), view_center_point=(75, 45), view_height=40)
detail.add_text("DETAIL A  2:1", dxfattribs={"height": 5, "style": "TITLE"}).set_pos((100, 50))

doc.saveas(pathlib.Path(__file__).with_suffix(".dxf"))
