"""Kick-led shapes: the bounce (a downstroke on every kick) and the surge
(a thrust through depth on every kick)."""
from ..model import Rows
from .common import bass_line, beat_figure, detail, gaps, hand_sides, kit_height, rows
from .response import add, chain, fit, hold, peak, respond, swell
from .score import Score

# Lane weights of the side accents: what the ear hears as leading.
ACCENT = {"snare": 1.0, "clap": 1.0, "rim": 0.8, "open_hat": 0.8, "closed_hat": 0.55,
          "shaker": 0.5, "tom_low": 0.9, "tom_mid": 0.9, "tom_high": 0.9}


def accent_weight(hit) -> float:
    return ACCENT.get(hit.lane, 0.7) * hit.weight


def rebound(gap: float) -> float:
    """How high the body rises between two kicks: more after a longer gap,
    as a thrown weight would, but never past a beat and a half's worth."""
    return 1.1 * min(gap, 96.0) / 64.0


def kick_chain(score: Score, low_of, high_of, apex_at: float):
    """A closed chain with a key on every kick (``low_of(hit)``) and one
    between each kick and the next, ``apex_at`` of the way there: the key of
    the kick nearer the apex (``high_of(hit, gap)``) moved beyond both
    kicks' own keys by the rebound."""
    kicks = score.kick
    period = score.period
    keys = []
    for k, (hit, gap) in enumerate(zip(kicks, gaps(kicks, period))):
        following = kicks[(k + 1) % len(kicks)]
        lows = (low_of(hit), low_of(following))
        beyond = high_of(hit, gap) - low_of(hit)  # the rebound, signed
        apex = (max(lows) if beyond > 0 else min(lows)) + beyond
        keys.append((hit.pip, lows[0]))
        keys.append((hit.pip + apex_at * gap, apex))
    return chain(period, keys)


def bass_depth(score: Score):
    """Depth that holds forward while each bass note sounds."""
    period = score.period
    out = [0.0] * period
    for hit in score.bass:
        length = max(8.0, min(hit.length or 24.0, period / 2.0))
        k = hold(6.0, length - 6.0 if length > 12.0 else 6.0, 16.0)
        add(out, hit.pip, hit.weight, k)
    return out


def bounce(score: Score, dims: int) -> Rows:
    """Every kick lands a downstroke whose lowest point falls on its pip;
    the other lanes sway the body from side to side: the backbeat by hand
    (a ghost note to the free hand), the drums around it by where each hit
    falls in its beat (the e one way, the a the other, on the beat and off
    it across) and how high its lane sounds, and the bass line by its
    pitch. In depth the bass holds forward while it sounds (the backbeat
    where there is no bass). A bare kick has nothing to sway it: it bounces
    on y alone."""
    period = score.period
    depth = lambda h: -(0.6 + 0.4 * h.weight)  # noqa: E731
    y = kick_chain(score, depth, lambda h, gap: depth(h) + rebound(gap), 0.42)
    y = fit(y, -0.82, 0.62)
    snares = [] if score.backbeat_is_kick else score.backbeat
    accents = [(h.pip, s * (0.5 + 0.3 * h.weight if h.ghost else accent_weight(h)))
               for h, s in zip(snares, hand_sides(snares))]
    x = respond(period, accents, swell(10.0, 22.0, 72.0))
    top = max(abs(v) for v in x) or 1.0
    fu, fv = beat_figure(score)
    kit = kit_height(score)
    line = bass_line(score)
    x = [0.6 * a / top + 0.4 * (b - c) + 0.3 * k + 0.3 * d for a, b, c, k, d in zip(x, fv, fu, kit, line)]
    if any(x):
        x = peak(x, 0.8)
    z = [0.0] * period
    if dims == 3:
        if score.has_bass:
            z = bass_depth(score)
        else:
            z = respond(period, [(h.pip, h.weight) for h in score.backbeat], swell(8.0, 40.0, 120.0))
        z = fit(z, -0.5, 0.7)
    return rows(x, y, z, dims)


def surge(score: Score, dims: int) -> Rows:
    """Every kick thrusts forward through depth: a slow draw back after the
    kick, then a quick thrust that peaks on the next one. Snares lift (a
    contrasting rise and a slow settle; the drums' figure of the beat and
    the bass line lift and lower it too) and nudge the body to the side of
    their hand, ghost notes almost as far, and the hats and the other
    colour lanes add side-to-side detail: their strokes, where each hit
    falls in its beat and how high its lane sounds."""
    period = score.period
    thrust = lambda h: 0.55 + 0.45 * h.weight  # noqa: E731
    z = kick_chain(score, thrust, lambda h, gap: thrust(h) - rebound(gap), 0.68)
    z = fit(z, -0.78, 0.85)
    snares = score.backbeat
    y = respond(period, [(h.pip, h.weight * (0.45 if h.ghost else 1.0)) for h in snares],
                swell(10.0, 44.0, 150.0))
    top = max(y) or 1.0
    fu, fv = beat_figure(score)
    line = bass_line(score)
    y = fit([a / top + 0.25 * u + 0.2 * b for a, u, b in zip(y, fu, line)], -0.45, 0.75)
    nudge = respond(period, [(h.pip, s * (0.5 + 0.5 * h.weight if h.ghost else h.weight))
                             for h, s in zip(snares, hand_sides(snares))], swell(6.0, 20.0, 64.0))
    top = max(abs(v) for v in nudge)
    kit = kit_height(score)
    x = peak([0.3 * d + 0.45 * n / top + 0.5 * v + 0.35 * k
              for d, n, v, k in zip(detail(score), nudge, fv, kit)], 0.75)
    return rows(x, y, z, dims)
