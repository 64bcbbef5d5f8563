"""The club pack: the first thirty-six grooves, each as a bounce, a step, an
orbit and a glide. Names, descriptions, periods and dimensions follow from
the groove and shape lists; the rows from the shapes."""
from ..model import Pack
from .grid import CLUB_SHAPES, GROOVES, SHAPE_LIST, cell

# Kick only: nothing swells the orbit's depth, and the bounce has no side accents.
FLAT_ORBITS = {"beat_four_floor"}
Y_ONLY = {"beat_four_floor_bounce"}


def dimensions(groove, shape: str) -> int:
    if shape in ("bounce", "step"):
        return groove.club_dimensions
    if shape == "orbit" and groove.name in FLAT_ORBITS:
        return 2
    return 3


def build_pack() -> Pack:
    titles = {s.name: s.club_title for s in SHAPE_LIST}
    patterns = []
    for groove in GROOVES:
        if not groove.club_dimensions:
            continue
        for shape in CLUB_SHAPES:
            description = "%s \u2014 %s. %s" % (groove.label, titles[shape], groove.note)
            name = "%s_%s" % (groove.name, shape)
            patterns.append(cell(groove, shape, description, dimensions(groove, shape),
                                 y_only=name in Y_ONLY))
    return Pack("pulsework_club", patterns)
