"""Atlas tables: the authored mechanism studies.

Each is the crank (or cam) turning once per period at an even rate,
theta = 2 pi i / P, and a point of the mechanism traced in the plane. The
dimensions are data (data/atlas/mech.json).

- offset_crank: a slider-crank whose slider line passes the crank centre at
  a distance: x is the slider's travel, centred on its stroke; y is the
  rod's lean, sin(beta) = (r sin theta - e) / L, mostly to one side. The
  offset makes the strokes unequal in time; it is chosen so that the slider
  goes out over five beats and comes back in three, from the outer dead
  centre on the downbeat.
- whitworth: the Whitworth quick return. The crank pin drives a slotted link
  that turns about a pivot inside the crank circle; a rod from the link's
  end drives the ram. x is the ram (advancing to +x), y the link end's height
  at half scale. The link turns slowly while the pin is far from its pivot, so
  the ram advances over 240 degrees of crank and returns in 120.
- elliptic_cam: an elliptic disc turning about one focus under a flat-faced
  follower. y is the follower's lift (the cam's support function
  sqrt(a^2 cos^2 + b^2 sin^2) + c cos), x the contact point's offset along
  the follower face (the lift's derivative): one lobe, one lift a turn.
- escapement: the escape wheel steps one tooth at a time and pauses, one
  tooth a beat: a point of the wheel's rim (x, y) advances by a softened
  step and then rests, teeth stops a turn.
- rocking_beam: a beam pivoted at its centre, rocked by a crank and a short
  rod under its end; the traced point is the beam's end, which rocks 65
  degrees up and down about level on a plain arc (x pulls in at both ends of
  the swing), top on the downbeat and bottom half a turn later. The short
  rod makes the rock uneven: it tips quickly over the top and lingers low.
- crank_rocker: a four-bar crank-rocker. x = 0.82 cos theta (the crank)
  and z = 0.123 cos 3 theta by rule; y is the rocker's swing angle, scaled
  to its peak. The rocker swings forward over about 209 degrees of crank and
  back over 151: it returns faster than it advances.
- cam_return: a disc cam with a rise, a dwell, a return and a dwell, each
  move on the cycloidal law (zero speed and acceleration at its ends). y is
  the follower's lift, x the contact offset on its flat face.
"""
import math

from ...motion import HOUSE_PEAK, TAU, normalise, smootherstep, thetas
from .authored_data import load_json

DATA = load_json("mech.json")


def centred_on_range(values):
    mid = (max(values) + min(values)) / 2.0
    return [v - mid for v in values]


def scaled_to(values, peak):
    m = max(abs(v) for v in values)
    return [peak * v / m for v in values]


def plane_rows(xs, ys):
    """Rows of a traced point, scaled so that its largest |coordinate| is 0.82."""
    return normalise([(x, y, 0.0) for x, y in zip(xs, ys)])


def offset_crank(period):
    p = DATA["offset_crank"]
    r, rod = p["crank"], p["rod"]
    quick = p["quick_stroke_beats"] / p["beats"]
    e = offset_for_quick_stroke(r, rod, quick)
    # Start at the outer dead centre, crank and rod in line, slider furthest out.
    start = math.atan2(e, math.sqrt((rod + r) ** 2 - e * e))
    slider, lean = [], []
    for t in thetas(period):
        height = r * math.sin(t + start) - e
        slider.append(r * math.cos(t + start) + math.sqrt(rod * rod - height * height))
        lean.append(height / rod)
    return plane_rows(centred_on_range(slider), lean)


def offset_for_quick_stroke(r, rod, quick):
    """The offset e of the slider line at which the return stroke takes the
    share ``quick`` of a turn: the crank turns pi + asin(e / (rod - r)) -
    asin(e / (rod + r)) from the outer dead centre to the inner one."""
    def working_share(e):
        return (math.pi + math.asin(e / (rod - r)) - math.asin(e / (rod + r))) / TAU

    low, high = 0.0, rod - r  # the crank still turns fully below rod - r
    for _ in range(100):
        mid = (low + high) / 2.0
        if working_share(mid) < 1.0 - quick:
            low = mid
        else:
            high = mid
    return (low + high) / 2.0


def whitworth(period):
    p = DATA["whitworth"]
    r, below, link, rod = p["crank"], p["pivot_below"], p["link"], p["rod"]
    ram, height = [], []
    for t in thetas(period):
        # The slotted link passes through its pivot (0, -below) and the crank pin.
        psi = math.atan2(r * math.sin(t) + below, r * math.cos(t))
        end_x, end_y = link * math.cos(psi), link * math.sin(psi)
        # The ram runs on the line through the pivot; advancing is towards +x.
        ram.append(-(end_x + math.sqrt(rod * rod - end_y * end_y)))
        height.append(p["link_height_scale"] * end_y)
    return plane_rows(centred_on_range(ram), height)


def follower(lift, slope, offset_peak):
    """Follower rows: y the lift, x the contact offset (the lift's slope)."""
    return [(x, y, 0.0) for x, y in zip(scaled_to(slope, offset_peak), lift)]


def elliptic_cam(period):
    p = DATA["elliptic_cam"]
    a, b = p["semi_major"], p["semi_minor"]
    c = math.sqrt(a * a - b * b)
    lift, slope = [], []
    for t in thetas(period):
        root = math.sqrt(a * a * math.cos(t) ** 2 + b * b * math.sin(t) ** 2)
        lift.append(root + c * math.cos(t))
        slope.append((b * b - a * a) * math.sin(t) * math.cos(t) / root - c * math.sin(t))
    return follower(scaled_to(centred_on_range(lift), p["lift_peak"]), slope, p["offset_peak"])


def escapement(period):
    p = DATA["escapement"]
    teeth = int(p["teeth"])
    tick = period / teeth
    step = p["step_fraction"] * tick
    rows = []
    for i in range(period):
        tooth, into = divmod(i, tick)
        angle = tooth + smootherstep(min(into / step, 1.0))
        phi = math.radians(p["start_degrees"]) + TAU * angle / teeth
        rows.append((p["radius"] * math.cos(phi), p["radius"] * math.sin(phi), 0.0))
    return rows


def rocking_beam(period):
    p = DATA["rocking_beam"]
    rod, swing = p["rod"], math.radians(p["swing_degrees"])
    # A crank of radius sin(swing), centred one rod length below the chord
    # between the end's two extremes, rocks the unit beam exactly +-swing and
    # spends half a turn each way; row 0 is the top of the swing.
    cx, cy, crank = math.cos(swing), -rod, math.sin(swing)
    rows = []
    for t in thetas(period):
        ax, ay = cx - crank * math.sin(t), cy + crank * math.cos(t)
        # The beam's end B is one unit from the pivot and one rod length from
        # the pin A, on the side of the pivot-to-pin line the swing starts on.
        reach = math.sqrt(ax * ax + ay * ay)
        along = (1.0 + reach * reach - rod * rod) / (2.0 * reach)
        across = math.sqrt(1.0 - along * along)
        ux, uy = ax / reach, ay / reach
        rows.append((along * ux - across * uy, along * uy + across * ux))
    return plane_rows(centred_on_range([x for x, _ in rows]), [y for _, y in rows])


def crank_rocker(period):
    p = DATA["crank_rocker"]
    crank, coupler, rocker, ground = p["crank"], p["coupler"], p["rocker"], p["ground"]
    swing = []
    for t in thetas(period):
        # Pin A on the crank, rocker pivot at (ground, 0): the rocker end B is
        # one rocker length from the pivot and one coupler length from A.
        dx, dy = ground - crank * math.cos(t), -crank * math.sin(t)
        reach = math.hypot(dx, dy)
        k = (coupler * coupler - rocker * rocker - reach * reach) / (2.0 * rocker)
        swing.append(math.atan2(dy, dx) + math.acos(k / reach))
    swing = scaled_to(centred_on_range(swing), p["swing_peak"])
    return [
        (HOUSE_PEAK * math.cos(t), y, 0.123 * math.cos(3.0 * t)) for t, y in zip(thetas(period), swing)
    ]


def cycloidal(u):
    """Cycloidal motion law u - sin(2 pi u) / (2 pi) and its slope."""
    return u - math.sin(TAU * u) / TAU, 1.0 - math.cos(TAU * u)


def cam_pieces(motion, low, high):
    """(start, end, from, to) of each move, as fractions of a turn."""
    pieces, start, level = [], 0.0, low
    for kind, degrees in motion:
        target = {"rise": high, "return": low, "dwell": level}[kind]
        pieces.append((start, start + degrees / 360.0, level, target))
        start, level = start + degrees / 360.0, target
    if abs(start - 1.0) > 1e-12 or level != low:
        raise ValueError("a cam's motion fills one turn and ends where it starts")
    return pieces


def cam_return(period):
    p = DATA["cam_return"]
    pieces = cam_pieces(p["motion"], p["lift_low"], p["lift_high"])
    lift, slope = [], []
    for i in range(period):
        u = i / period
        a, b, level, target = next(piece for piece in pieces if piece[0] <= u < piece[1])
        s, v = cycloidal((u - a) / (b - a))
        lift.append(level + (target - level) * s)
        slope.append((target - level) * v / (b - a))
    return follower(lift, slope, p["offset_peak"])


BUILDERS = {
    "mech_offset_crank": offset_crank,
    "mech_whitworth": whitworth,
    "mech_elliptic_cam": elliptic_cam,
    "mech_escapement": escapement,
    "mech_rocking_beam": rocking_beam,
    "mech_crank_rocker": crank_rocker,
    "mech_cam_return": cam_return,
}
