"""The groove-by-shape grid that the club and dancefloor packs share: the
grooves with their drum programmes, the shapes, and one pattern per cell
composed from them."""
from typing import List

from ..grooves import Groove, Shape, load_grooves, load_shapes
from ..model import Pattern
from ..shapes import SHAPES
from ..shapes.score import score_of

CLUB_SHAPES = ("bounce", "step", "orbit", "glide")


GROOVES: List[Groove] = load_grooves()
SHAPE_LIST: List[Shape] = load_shapes()
if [s.name for s in SHAPE_LIST] != list(SHAPES):
    raise ValueError("shapes.tsv and the shape functions disagree on the shapes or their order")


def cell(groove: Groove, shape: str, description: str, dimensions: int,
         y_only: bool = False) -> Pattern:
    """The pattern of one groove played as one shape."""

    def build(period: int):
        if period != groove.period:
            raise ValueError("%s_%s: period %d, groove %d" % (groove.name, shape, period, groove.period))
        return SHAPES[shape](score_of(groove), dimensions)

    return Pattern(name="%s_%s" % (groove.name, shape), description=description,
                   period=groove.period, dimensions=dimensions, build=build, y_only=y_only)
