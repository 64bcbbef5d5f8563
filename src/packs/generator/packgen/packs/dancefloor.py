"""The dancefloor pack: the club grooves with the twelve shapes the club
pack lacks, then thirty-two further grooves with all sixteen shapes."""
from ..model import Pack
from .grid import CLUB_SHAPES, GROOVES, SHAPE_LIST, cell

# Two-dimensional cells of the dancefloor grid: everything else is 3.
FLAT = {"beat_jersey_five_bounce", "beat_jersey_five_step",
        "beat_baile_toms_bounce", "beat_baile_toms_step"}


def build_pack() -> Pack:
    patterns = []
    for groove in GROOVES:
        for shape in SHAPE_LIST:
            if groove.club_dimensions and shape.name in CLUB_SHAPES:
                continue  # the club pack plays these
            name = "%s_%s" % (groove.name, shape.name)
            description = "%s \u2014 %s. %s" % (groove.label, shape.title, shape.sentence)
            patterns.append(cell(groove, shape.name, description, 2 if name in FLAT else 3))
    return Pack("pulsework_dancefloor", patterns)
