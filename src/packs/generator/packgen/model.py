"""The two plain records a pack is made of."""
from dataclasses import dataclass
from typing import Callable, List, Sequence, Tuple

Row = Tuple[float, float, float]
Rows = List[Row]


@dataclass(frozen=True)
class Pattern:
    """One pack pattern: its catalogue record and the rule for its rows.

    ``build(period)`` returns the raw rows (one (x, y, z) per pip); the
    generator rounds them to twelve decimals and checks every invariant.
    """

    name: str
    description: str
    period: int
    dimensions: int
    build: Callable[[int], Sequence[Row]]
    # A table that follows a sampled source as it stands (a recorded
    # waveform) is exempt from the no-teleport step limit.
    follows_source: bool = False
    # A two-dimensional pattern that moves on y alone (x is 0.0 throughout).
    y_only: bool = False


@dataclass(frozen=True)
class Pack:
    namespace: str
    patterns: Sequence[Pattern]
