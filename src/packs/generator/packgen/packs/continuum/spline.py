"""Continuum tables: closed cubic outlines, spline_<shape>.

Each outline is a closed periodic cubic spline through authored, deliberately
lopsided control points (data/continuum/spline.json), passing each point at
its own time: the segments between points last unequal numbers of sixteenths,
so the path hurries along some edges and takes its time round others. The
tangents at the points are solved together, so speed and curvature never
break, seam included. Three-dimensional shapes carry depth in their control
points (a tilt, a twist, a rim behind, a fold).
"""
from ...motion import centred, normalise, padded, periodic_cubic
from . import load_data

SHAPES = load_data("spline.json")["shapes"]


def spline(shape):
    points, pips = shape["points"], shape["pips"]
    if len(pips) != len(points):
        raise ValueError("a spline shape gives one time for every segment")

    def build(period):
        if sum(pips) != period:
            raise ValueError("a spline shape's times add up to its period")
        times = [sum(pips[:j]) / period for j in range(len(pips))]
        return normalise(centred(padded(periodic_cubic(points, times, period))))

    return build


BUILDERS = {name: spline(shape) for name, shape in SHAPES.items()}
