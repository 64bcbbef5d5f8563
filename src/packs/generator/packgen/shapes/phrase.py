"""Phrase-long shapes led by the bass: the glide and the dive."""
import math

from ..model import Rows
from .common import bass_line, beat_figure, detail, hand_sides, kit_height, pace_hits, rows
from .response import TAU, add, fit, hold, phase, respond, swell
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
    depth, and the line's contour lifts and lowers the path. The whole
    groove carries it along, faster where it plays (the kick and the
    backbeat most, ghost notes nearly as much); the backbeat nudges it
    aside by hand and back in depth; the drums around them draw their
    figure of the beat into it, their heights swell it, and the colour
    lanes ripple it."""
    period = score.period
    excursion = [0.0] * period
    lift = [0.0] * period
    for pip, weight, length, height in bass_notes(score):
        k = hold(10.0, max(2.0, length - 16.0), 22.0)
        add(excursion, pip, weight * (0.75 + 0.25 * height), k)
        add(lift, pip, weight * (0.4 + 0.6 * (height + 1.0) / 2.0), k)
    excursion = fit(excursion, 0.0, 0.46)
    ripple = detail(score)
    line = bass_line(score)
    fu, fv = beat_figure(score)
    # The whole groove carries the glide along: it travels faster where it plays.
    pace = respond(period, pace_hits(score), swell(6.0, 16.0, 48.0))
    travel = phase([0.5 + p for p in pace])
    kit = kit_height(score)
    # The backbeat marks the phrase: each stroke nudges the path aside, the
    # hands taking turns, and draws it back a little in depth.
    snares = [] if score.backbeat_is_kick else score.backbeat
    nudge = respond(period, [(h.pip, s * (0.3 + 0.3 * h.weight if h.ghost else h.weight))
                             for h, s in zip(snares, hand_sides(snares))], swell(8.0, 30.0, 96.0))
    x, y, z = [], [], []
    for i, u in enumerate(travel):
        t = TAU * u
        r = 0.42 + 0.06 * math.cos(2.0 * t) + excursion[i] + 0.1 * ripple[i] + 0.14 * kit[i]
        x.append(r * math.cos(t + math.pi / 2.0) + 0.3 * fu[i] + 0.28 * nudge[i])
        y.append(0.9 * r * math.sin(t + math.pi / 2.0) + 0.25 * line[i] + 0.3 * fv[i])
        z.append(0.5 * math.sin(t) + 0.35 * lift[i] + 0.25 * ripple[i] + 0.35 * kit[i] - 0.3 * abs(nudge[i]))
    z = fit(z, -0.7, 0.75)
    return rows(x, y, z, dims)


def dive(score: Score, dims: int) -> Rows:
    """One broad plunge through depth over the period, driven by the bass:
    the plunge advances only while bass notes sound, so it goes down and
    comes up in stairs, and at its depth lower notes take it deeper. The
    kick and the snare (a ghost note a little) pull to opposite sides as a
    counterweight, and the body leans up as it dives, higher with higher
    notes, while the drums around them sway it by their figure of the beat
    and lift it by their heights."""
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
    counter = [(h.pip, 0.4 + 0.3 * h.weight if h.ghost else h.weight) for h in snares]
    counter += [(h.pip, -h.weight) for h in score.kick
                if not any(abs(h.pip - s.pip) < 12.0 and not s.ghost for s in snares)]
    x = fit(respond(period, counter, swell(16.0, 36.0, 110.0)), -0.8, 0.8)
    bob = respond(period, [(h.pip, -h.weight) for h in score.kick], swell(6.0, 18.0, 48.0))
    fu, fv = beat_figure(score)
    line = bass_line(score)
    kit = kit_height(score)
    y = fit([0.8 * p + 0.3 * b + 0.3 * u + 0.3 * k + 0.25 * n
             for p, b, u, k, n in zip(plunge, bob, fu, kit, line)], -0.55, 0.8)
    x = fit([a + 0.3 * v for a, v in zip(x, fv)], -0.8, 0.8)
    z = [a + 0.2 * b * p for a, b, p in zip(z, line, plunge)]
    return rows(x, y, z, dims)
