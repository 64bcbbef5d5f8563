"""Real speed: fixtures that follow their pattern as fast as they can move,
and how much of the motion that clips.

A limited axis (a moving head's pan or tilt, in degrees) has a top speed
and, optionally, a top acceleration. Each frame the output moves toward
where the pattern is: at the fastest speed from which it can still stop
there (braking at its acceleration), never faster than its top speed,
changing speed by at most its acceleration, and never past the pattern's
position: when a step would carry it beyond, it stops there. So a slow
passage is followed exactly, a fast one is rounded off and a jump becomes
a glide, and the output never leaves the path the pattern drew.

An axis is "clipped" on a frame when the output is more than
CLIP_TOLERANCE (half a degree) away from the pattern.
"""
import collections
import math
from dataclasses import dataclass

from pulsework_motion import Motion

CLIP_TOLERANCE = 0.5
WINDOW_FRAMES = 88         # the live figure's window: two seconds at 44 fps
MAX_SIMULATED_FRAMES = 50_000


@dataclass(frozen=True)
class Limit:
    """Top speed (units a second, above 0) and acceleration (units a second
    squared; 0 for none) of one axis."""
    speed: float
    acceleration: float = 0.0


class Follower:
    """The outputs of a group's fixtures, following their targets within
    limits. `limits` holds, for each fixture, a Limit or None for each of
    x, y and z; an axis without one takes its target as it is."""

    def __init__(self, limits):
        self.fixtures = len(limits)
        # [fixture, axis, top speed, acceleration, position, velocity] of each limited axis
        self.lanes = [[index, axis, limit.speed, limit.acceleration, 0.0, 0.0]
                      for index, axes in enumerate(limits)
                      for axis, limit in enumerate(axes) if limit is not None]
        self._last = None
        # (lanes clipped, the largest gap) of each of the last frames
        self.recent = collections.deque(maxlen=WINDOW_FRAMES)

    def reset(self):
        """Forget where the fixtures are: the next frame puts them on their targets."""
        self._last = None

    def follow(self, targets, now):
        """The outputs at time `now` (seconds) for `targets` [(x, y, z)] of
        every fixture; new lists, the targets are left as they are."""
        outputs = [list(target) for target in targets]
        last, self._last = self._last, now
        if last is None:
            for lane in self.lanes:
                lane[4], lane[5] = outputs[lane[0]][lane[1]], 0.0
            self.recent.append((0, 0.0))
            return outputs
        dt = now - last
        if dt <= 0:
            for lane in self.lanes:
                outputs[lane[0]][lane[1]] = lane[4]
            return outputs
        clipped, worst = 0, 0.0
        for lane in self.lanes:
            index, axis, speed, acceleration, p, v = lane
            row = outputs[index]
            target = row[axis]
            e = target - p
            distance = e if e >= 0 else -e
            if distance == 0:
                lane[5] = 0.0
                continue
            # No faster than the top speed, nor than arriving within this frame.
            want = distance / dt
            if want > speed:
                want = speed
            if acceleration > 0:
                # Nor faster than braking by a = acceleration * dt a frame
                # still stops by the target: v = m * a + r (0 <= r <= a)
                # covers dt * (v + (v - a) + ... + r) = dt * ((m + 1) * r +
                # a * m * (m + 1) / 2), at most dt * (v + a)^2 / (2 * a).
                a = acceleration * dt
                if dt * (want + a) * (want + a) > 2.0 * a * distance:
                    steps = distance / dt
                    m = math.floor(math.sqrt(0.25 + 2.0 * steps / a) - 0.5)
                    stop = m * a + min(a, (steps - a * m * (m + 1) / 2) / (m + 1))
                    if stop < want:
                        want = stop
                if e < 0:
                    want = -want
                change = want - v
                v += a if change > a else -a if change < -a else change
            else:
                v = want if e > 0 else -want
            moved = v * dt
            if (e > 0 and moved >= e) or (e < 0 and moved <= e):
                # It would pass the target: it arrives there, at the speed that takes.
                lane[4], lane[5] = target, e / dt
                continue
            p += moved
            lane[4], lane[5] = p, v
            row[axis] = p
            gap = distance - moved if e > 0 else distance + moved
            if gap > CLIP_TOLERANCE:
                clipped += 1
                if gap > worst:
                    worst = gap
        self.recent.append((clipped, worst))
        return outputs

    @property
    def clipped_share(self):
        """The share of axis-frames clipped over the last frames."""
        if not self.recent or not self.lanes:
            return 0.0
        return sum(clipped for clipped, _gap in self.recent) / (len(self.recent) * len(self.lanes))

    @property
    def worst(self):
        """The largest gap between a fixture and its pattern over the last frames."""
        return max((gap for _clipped, gap in self.recent), default=0.0)


@dataclass(frozen=True)
class Clipping:
    """How much a group's limits clip its pattern at a tempo: the share of
    axis-frames more than CLIP_TOLERANCE away from the pattern, the largest
    gap, and the share of the pattern's travel the output does not make."""
    frames: float
    worst: float
    travel: float

    def __str__(self):
        if not self.frames:
            return "follows exactly"
        return "clips %.0f %% of frames (at most %.1f° behind), %.0f %% of the travel" % (
            self.frames * 100, self.worst, self.travel * 100)


def clipping(pattern, shaping, limits, bpm, fps, sample=None, period=None):
    """The Clipping of one fixture with `limits` (Limit or None for x, y, z)
    playing `pattern` with `shaping` at `bpm` and `fps`: one cycle to settle,
    then one cycle measured (or as many frames as MAX_SIMULATED_FRAMES allows)."""
    shaping = shaping.replace(fade_in=0, fade_out=0, start=None, end=None)
    motion = Motion(pattern, shaping, 1, sample=sample, period=period)
    pips_per_second = bpm * 64.0 / 60.0
    cycle = motion.period * (2 if shaping.pingpong else 1) / float(shaping.speed)
    frames = max(2, min(MAX_SIMULATED_FRAMES, math.ceil(cycle / pips_per_second * fps)))
    follower = Follower([limits])
    lanes = follower.lanes
    clipped = 0
    worst = wanted = made = 0.0
    previous = None
    for frame in range(2 * frames):
        now = frame / fps
        targets = motion.positions(math.floor(now * pips_per_second))
        (output,) = follower.follow(targets, now)
        if frame < frames:
            previous = (targets[0], output)
            continue
        for lane in lanes:
            axis = lane[1]
            gap = abs(targets[0][axis] - output[axis])
            if gap > CLIP_TOLERANCE:
                clipped += 1
                worst = max(worst, gap)
            wanted += abs(targets[0][axis] - previous[0][axis])
            made += abs(output[axis] - previous[1][axis])
        previous = (targets[0], output)
    share = clipped / (frames * len(lanes)) if lanes else 0.0
    travel = max(0.0, 1.0 - made / wanted) if wanted else 0.0
    return Clipping(share, worst, travel)


def group_clipping(group, bpm, fps, sample=None):
    """The Clipping of a group's most clipped fixture type at `bpm`."""
    return max((clipping(group.pattern, group.shaping, limits, bpm, fps, sample, group.period)
                for limits in {patch.limits for patch in group.patches}),
               key=lambda result: (result.frames, result.worst))
