"""Continuum tables: packet_<kind>_n, n oscillation packets around a closed
phrase.

The phrase is a closed route with n stations, one per packet, reached on the
eighth notes of n evenly distributed onsets over the eight beats. The route
dwells at each station (its whole path slows there), and a packet, a
shimmy of sixteenth-note swings under a smooth window, plays while it
dwells. The kind names the route and the packets:

- alternating: an oval route, packets swinging across and up in turn;
- cascading: stations stepping down from side to side, each reached across
  a ledge and over its edge, with ever smaller packets, and one long climb
  back out wide;
- crossing: a figure-eight route, packets on the two crossing diagonals in turn;
- depth: a bean-shaped route run the other way round, packets pushing in
  depth.
"""
import math

from ...motion import (TAU, cyclic_distance, euclid_onsets, normalise, station_phase,
                       windowed_cosine)
from .rhythm_support import EIGHTH, SIXTEENTH, family

HALF_WIDTH = 40  # a packet spans two and a half eighths
SWING = 0.32
CASCADE_FADE = 0.55  # the last cascading packet swings this much less than the first
CASCADE_SHARE = 0.7  # share of the route that steps down; the rest climbs back
LEDGE = 0.55  # half the width of a cascading ledge
DIAGONAL = 1.0 / math.sqrt(2.0)


def oval(u):
    return (0.6 * math.sin(TAU * u), 0.38 * math.cos(TAU * u), 0.0)


def bean(u):
    return (-0.6 * math.sin(TAU * u) + 0.2 * math.sin(2.0 * TAU * u),
            -0.32 * math.cos(TAU * u) + 0.16 * math.cos(2.0 * TAU * u), 0.0)


def figure_eight(u):
    return (0.62 * math.sin(TAU * u), 0.36 * math.sin(2.0 * TAU * u), 0.0)


def cascade(n):
    """Ledges down from side to side, left first, then a climb back out wide."""
    drop = 1.0 / (n - 1)

    def route(u):
        u %= 1.0
        if u <= CASCADE_SHARE:
            v = (n - 1) * u / CASCADE_SHARE
            j = min(int(v), n - 2)
            s = v - j
            side = -1.0 if j % 2 == 0 else 1.0
            # Across the ledge, then over its edge.
            return (side * LEDGE * (1.0 - 2.0 * s), 0.5 - drop * (j + s ** 3), 0.0)
        v = (u - CASCADE_SHARE) / (1.0 - CASCADE_SHARE)
        x_end = -LEDGE if (n - 1) % 2 == 0 else LEDGE
        return (x_end + (-LEDGE - x_end) * v - 0.35 * math.sin(math.pi * v), -0.5 + v, 0.0)

    return route


ACROSS, UP, DEPTH = (1.0, 0.0, 0.0), (0.0, 1.0, 0.0), (0.0, 0.0, 1.0)
RISING, FALLING = (DIAGONAL, DIAGONAL, 0.0), (DIAGONAL, -DIAGONAL, 0.0)


def evenly(n):
    return [j / n for j in range(n)]


def cascade_stations(n):
    return [CASCADE_SHARE * j / (n - 1) for j in range(n)]


def halfway(n):
    return [(j + 0.5) / n for j in range(n)]


# kind: (route for n packets, route phases of the stations, (direction, size) of packet j of n)
KINDS = {
    "alternating": (lambda n: oval, evenly, lambda j, n: (UP if j % 2 == 0 else ACROSS, 1.0)),
    "cascading": (cascade, cascade_stations, lambda j, n: (UP, 1.0 - CASCADE_FADE * j / (n - 1))),
    "crossing": (lambda n: figure_eight, halfway,
                 lambda j, n: (RISING if j % 2 == 0 else FALLING, 1.0)),
    "depth": (lambda n: bean, evenly, lambda j, n: (DEPTH, 1.0)),
}


def packet(_name, kind, n):
    route_of, stations_of, packet_of = KINDS[kind]
    route = route_of(n)
    swings = [packet_of(j, n) for j in range(n)]

    def build(period):
        centres = [EIGHTH * step for step in euclid_onsets(n, period // EIGHTH)]
        phase = station_phase(period, centres, stations_of(n))
        rows = []
        for i in range(period):
            point = list(route(phase[i]))
            for centre, (direction, size) in zip(centres, swings):
                w = SWING * size * windowed_cosine(cyclic_distance(i, centre, period),
                                                   HALF_WIDTH, SIXTEENTH)
                point = [p + w * d for p, d in zip(point, direction)]
            rows.append(tuple(point))
        return normalise(rows)

    return build


BUILDERS = family("packet_", packet)
