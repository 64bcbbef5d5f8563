"""A drum programme read as the roles a motion shape listens to.

Shapes ask for the kick, the backbeat (snare or clap, and the rim where it
leads), the percussion (hats, shakers, hand drums, toms), the hats and
shakers alone, the bass, and the colour: every lane around kick and
backbeat, ghost notes included, which keeps its lanes. Where a groove lacks
the lane that leads a role, the role takes the nearest stand-in and says so
in ``stand_ins``:
the kick for the bass, clap or rim (or the clave, the rim's nearest kin)
for the snare, any percussion for the hats, and, in a kick-only
programme, the kick itself (on beats 2 and 4 for the backbeat).
"""
import math
from dataclasses import dataclass
from typing import Dict, List, Optional, Sequence

from ..grooves import BAR, PIPS_PER_BEAT, Event, Groove

HAT_LANES = ("closed_hat", "open_hat", "shaker")
PERC_LANES = HAT_LANES + ("perc", "bell", "clave", "conga", "tom_low", "tom_mid", "tom_high")
# Hits of one role closer than this (in pips) are heard as one stroke.
TOGETHER = 1.0


@dataclass(frozen=True)
class Hit:
    pip: float  # exact onset, as a float
    weight: float  # velocity, in (0, 1]
    lane: str  # the loudest lane of the stroke
    ghost: bool
    length: float = 0.0  # how long a bass note sounds, in pips; 0 for drums
    note: Optional[int] = None

    @property
    def beat(self) -> int:
        """Index of the beat the hit falls in, counted from the start of the cycle."""
        return int(math.floor(self.pip / PIPS_PER_BEAT + 1e-9))


def merged(events: Sequence[Event]) -> List[Hit]:
    """One hit per stroke: simultaneous events of a role merge, loudest first."""
    hits: List[Hit] = []
    for e in sorted(events, key=lambda e: (e.pip, -e.velocity)):
        pip = float(e.pip)
        if hits and pip - hits[-1].pip < TOGETHER:
            last = hits[-1]
            hits[-1] = Hit(last.pip, max(last.weight, e.velocity), last.lane,
                           last.ghost and e.ghost, max(last.length, float(e.length or 0)),
                           last.note if last.note is not None else e.note)
            continue
        hits.append(Hit(pip, e.velocity, e.lane, e.ghost, float(e.length or 0), e.note))
    return hits


class Score:
    """The roles of one groove over its period."""

    def __init__(self, groove: Groove):
        self.groove = groove
        self.name = groove.name
        self.period = groove.period
        self.bars = groove.period // BAR
        self.stand_ins: Dict[str, str] = {}
        present = {e.lane for e in groove.events}
        kick = groove.lane("kick")
        if not kick:
            lowest = next((lane for lane in ("tom_low", "bass", "tom_mid") if lane in present), None)
            kick = groove.lane(lowest) if lowest else list(groove.events)
            self._stand_in("kick", lowest or "every lane")
        self.kick = merged(kick)

        snare = groove.lane("snare", "clap")
        rim = groove.lane("rim")
        mains = sum(1 for e in snare if not e.ghost)
        rim_mains = sum(1 for e in rim if not e.ghost)
        if rim_mains > max(mains, 1):
            snare = snare + rim  # the rim leads
            if not mains:
                self._stand_in("snare", "rim")
        elif not snare and len(groove.lane("clave")) >= 2:
            snare = groove.lane("clave")  # the clave's click is the rim's nearest kin
            self._stand_in("snare", "clave")
        elif not snare:
            snare = [e for e in kick if float(e.pip) % (2 * PIPS_PER_BEAT) >= PIPS_PER_BEAT]
            snare = snare or kick[len(kick) // 2:]
            self._stand_in("snare", "kick on beats 2 and 4")
        elif not groove.has("snare"):
            self._stand_in("snare", "clap")
        self.backbeat = merged(snare)
        self.backbeat_is_kick = self.stand_ins.get("snare") == "kick on beats 2 and 4"

        perc = groove.lane(*PERC_LANES)
        if not perc:
            for lanes in (("rim",), ("snare", "clap"), ("kick",)):
                perc = groove.lane(*lanes)
                if perc:
                    self._stand_in("percussion", " or ".join(lanes))
                    break
            perc = perc or kick
        self.percussion = merged(perc)

        hats = groove.lane(*HAT_LANES)
        if not hats:
            hats = perc
            self._stand_in("hats", "percussion")
        self.hats = merged(hats)

        bass = groove.lane("bass")
        if not bass:
            bass = kick
            self._stand_in("bass", "kick")
        self.bass = merged(bass)
        self.has_bass = groove.has("bass")
        # The colour around kick and backbeat: hats, shakers, hand drums,
        # toms, bells, the bass, the rim where it does not lead, and the
        # ghost notes; lane by lane, unmerged.
        lead = {"kick", "snare", "clap"} | {h.lane for h in self.backbeat}
        self.colour = [e for e in groove.events if e.lane not in lead or (e.ghost and e.lane != "kick")]
        self.everything = merged(groove.events)

    def _stand_in(self, role: str, lane: str) -> None:
        self.stand_ins[role] = lane

    def mains(self, hits: Sequence[Hit]) -> List[Hit]:
        """The hits that are not ghost notes (all of them if every one is a ghost)."""
        found = [h for h in hits if not h.ghost]
        return found or list(hits)


_SCORES: Dict[str, Score] = {}


def score_of(groove: Groove) -> Score:
    if groove.name not in _SCORES:
        _SCORES[groove.name] = Score(groove)
    return _SCORES[groove.name]
