import sys

import pytest

INT_MIN = -(2**31)
INT_MAX = 2**31 - 1


def pips_around(period):
    """Every pip of one period, negative and far cycles, and the int ends."""
    pips = list(range(period))
    pips += [p - period for p in range(period)]
    pips += [p - 7 * period for p in range(0, period, 3)]
    pips += [p + 1000 * period for p in range(0, period, 5)]
    pips += [INT_MIN, INT_MIN + 1, INT_MIN + 63, INT_MAX, INT_MAX - 1, INT_MAX - 64]
    return pips


def reference_counts(objects):
    """sys.getrefcount of each object, read the same way at every call.

    From CPython 3.14 on, a local handed straight to sys.getrefcount may be
    lent without a reference of its own (LOAD_FAST_BORROW) wherever the
    compiler finds that safe, and not elsewhere (in an exception handler, for
    one), so two direct readings of an object nobody touched can differ by
    one. Readings taken through this one loop compare."""
    return [sys.getrefcount(o) for o in objects]


class Index:
    """An integer-like object: converts through __index__."""

    def __init__(self, value):
        self.value = value

    def __index__(self):
        return self.value


class IntOnly:
    """A number with __int__ but no __index__: only implicit conversion takes it."""

    def __int__(self):
        return 5


@pytest.fixture(scope="session")
def module():
    import pulsework

    return pulsework


@pytest.fixture(scope="session")
def table(module):
    """rows(name): a default pattern's rows over one period, read through sample()."""
    periods = {r["name"]: r["period_pips"] for r in module.catalogue()}
    cache = {}

    def rows(name):
        if name not in cache:
            cache[name] = [module.sample(name, i).as_tuple() for i in range(periods[name])]
        return cache[name]

    return rows
