"""Phrase-long shapes led by the bass: the glide and the dive."""
import math

from ..model import Rows
from .common import detail, rows
from .response import TAU, add, fit, hold, phase, respond, stroke, swell
from .score import Score


def bass_notes(score: Score):
    """(pip, weight, length, height) of every bass onset: height in [-1, 1]
    from the note's pitch against the line's own range (0 for the kick that
    stands in for a missing bass)."""
    notes = [h.note for h in score.bass if h.note is not None]
    low, high = (min(notes), max(notes)) if notes else (0, 0)
    out = []
    for h in score.bass:
        if h.note is not None and high > low:
            height = 2.0 * (h.note - low) / (high - low) - 1.0
        else:
            height = 0.0
        length = h.length if h.length else 24.0
        out.append((h.pip, h.weight, max(8.0, min(length, score.period / 3.0)), height))
    return out


def glide(score: Score, dims: int) -> Rows:
    """One continuous path over the whole period (a single wide loop round
    the centre with a slow depth arc), pushed outward at every bass onset and
    held out while the note sounds; higher notes reach further and rise in
    depth. The percussion carries it along faster where it plays, and the
    colour lanes ripple it."""
    period = score.period
    excursion = [0.0] * period
    lift = [0.0] * period
    for pip, weight, length, height in bass_notes(score):
        k = hold(10.0, max(2.0, length - 16.0), 22.0)
        add(excursion, pip, weight * (0.75 + 0.25 * height), k)
        add(lift, pip, weight * (0.4 + 0.6 * (height + 1.0) / 2.0), k)
    excursion = fit(excursion, 0.0, 0.4)
    ripple = detail(score)
    # The percussion carries the glide along: it travels faster where they play.
    perc = respond(period, [(h.pip, h.weight) for h in score.percussion], swell(6.0, 16.0, 48.0))
    top = max(perc) or 1.0
    travel = phase([1.0 + 2.0 * p / top for p in perc])
    x, y, z = [], [], []
    for i, u in enumerate(travel):
        t = TAU * u
        r = 0.42 + 0.06 * math.cos(2.0 * t) + excursion[i] + 0.14 * ripple[i]
        x.append(r * math.cos(t + math.pi / 2.0))
        y.append(0.9 * r * math.sin(t + math.pi / 2.0))
        z.append(0.5 * math.sin(t) + 0.35 * lift[i] + 0.45 * ripple[i])
    z = fit(z, -0.7, 0.75)
    return rows(x, y, z, dims)


def dive(score: Score, dims: int) -> Rows:
    """One broad plunge through depth over the period, driven by the bass:
    the plunge advances only while bass notes sound, so it goes down and
    comes up in stairs; the kick and the snare pull to opposite sides as a
    counterweight, and the body leans up as it dives."""
    period = score.period
    drive = [0.0] * period
    for pip, weight, length, _height in bass_notes(score):
        add(drive, pip, weight, hold(6.0, max(4.0, length - 8.0), 10.0))
    plunge_phase = phase([0.06 + d for d in drive])
    plunge = [(1.0 - math.cos(TAU * u)) / 2.0 for u in plunge_phase]
    z = [-0.85 * p + 0.1 for p in plunge]
    # Where kick and snare strike together the snare's side wins, so that
    # the two keep alternating.
    snares = score.backbeat
    counter = [(h.pip, h.weight * (0.5 if h.ghost else 1.0)) for h in snares]
    counter += [(h.pip, -h.weight) for h in score.kick
                if not any(abs(h.pip - s.pip) < 12.0 and not s.ghost for s in snares)]
    x = fit(respond(period, counter, swell(16.0, 36.0, 110.0)), -0.8, 0.8)
    bob = respond(period, [(h.pip, -h.weight) for h in score.kick], swell(6.0, 18.0, 48.0))
    ticks = respond(period, [(h.pip, h.weight) for h in score.hats], stroke(4.0, 12.0))
    top = max(ticks) or 1.0
    y = fit([0.8 * p + 0.3 * b + 0.22 * t / top for p, b, t in zip(plunge, bob, ticks)], -0.55, 0.8)
    return rows(x, y, z, dims)
