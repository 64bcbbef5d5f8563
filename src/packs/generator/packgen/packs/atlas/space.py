"""Atlas tables: closed paths through all three dimensions."""
import math

from ...motion import thetas
from .rule_support import family_from_names, formula

sin, cos = math.sin, math.cos

# The torus knot's largest coordinate: 2.9 + 1 on x at the start.
TORUS_REACH = 3.9


def space_torus(p, q):
    """A (p, q) torus knot: p turns round the axis while winding q times round the tube."""

    def build(period):
        rows = []
        for t in thetas(period):
            ring = 2.9 + cos(q * t)
            x, y, z = ring * cos(p * t), ring * sin(p * t), 2.1 * sin(q * t)
            rows.append((0.82 * x / TORUS_REACH, 0.82 * y / TORUS_REACH, 0.82 * z / TORUS_REACH))
        return rows

    return build


def space_weave(a, b, c):
    """Three lanes of coprime frequencies, each with its own phase."""
    return formula(
        x=lambda t: 0.82 * sin(a * t),
        y=lambda t: 0.656 * sin(b * t + 0.4),
        z=lambda t: 0.574 * cos(c * t + 0.7),
    )


BUILDERS = family_from_names("space_torus_", space_torus)
BUILDERS.update(family_from_names("space_weave_", space_weave))
