"""The packs, in pack-table order."""
from typing import List

from ..model import Pack


def all_packs() -> List[Pack]:
    from . import initial, expansion

    return [initial.PACK, expansion.PACK]
