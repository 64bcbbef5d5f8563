"""The packs, in pack-table order."""
from typing import List

from ..model import Pack


def all_packs() -> List[Pack]:
    from . import atlas, club, continuum, dancefloor, expansion, initial

    return [initial.PACK, expansion.PACK, atlas.build_pack(), continuum.build_pack(),
            club.build_pack(), dancefloor.build_pack()]
