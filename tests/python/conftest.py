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


@pytest.fixture(scope="session")
def module():
    import pulsework

    return pulsework
