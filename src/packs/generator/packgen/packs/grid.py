"""The groove-by-shape grid that the club and dancefloor packs share: the
grooves with their drum programmes, the shapes, and one pattern per cell
composed from them."""
import os
from typing import List

from ..grooves import Groove, Shape, load_events, load_shapes
from ..authored import read_table
from ..model import Pattern
from ..records import data_path
from ..shapes import SHAPES
from ..shapes.score import score_of

CLUB_SHAPES = ("bounce", "step", "orbit", "glide")


def load_grid() -> List[Groove]:
    """Every groove in its numbered order, with its events."""
    grooves = []
    for number, (line, fields) in enumerate(read_table("grooves", "grooves.tsv"), 1):
        if len(fields) != 5:
            raise ValueError("grooves.tsv:%d: expected 5 tab-separated fields" % line)
        name, period, dimensions, label, note = fields
        if not os.path.exists(data_path("grooves", "programmes", name + ".tsv")):
            continue  # until every programme lands
        grooves.append(Groove(number, name, label, int(period), int(dimensions), note,
                              load_events(name, int(period))))
    return grooves


GROOVES = load_grid()
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
