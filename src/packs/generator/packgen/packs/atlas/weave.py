"""Atlas tables: a horizontal and b vertical cycles over sixteen beats."""
import math

from .rule_support import family_from_names, normalised

sin = math.sin


def weave(a, b):
    """X = sin(a t + 0.37), Y = 0.8125 sin(b t), scaled to 0.82."""
    return normalised(x=lambda t: sin(a * t + 0.37), y=lambda t: 0.8125 * sin(b * t))


BUILDERS = family_from_names("weave_", weave)
