"""From a pip to each fixture's output values: speed, spread, wings, size and
the channel mapping of one group.

A group plays its pattern at `speed` times the tempo: at master pip P the
pattern is at pip floor(P * speed). Fixture i runs lag_i pattern pips behind
the first, where lag_i is the spread's share for fixture i of the pattern's
period, rounded to the nearest pip: spread * i / fixtures / 360 * period.
With wings, the two halves mirror each other: fixture i and fixture
fixtures-1-i share a lag (the spread then runs across each half), and the
second half moves x the other way. Reverse plays the group backwards:
the pattern pip is -(floor(P * speed) - lag_i).

Each mapped value is the component times the group's size (negated when
inverted, and for x on the mirrored wing), taken from [-1, 1] onto
[low, high]. A DMX value is that fraction of the channel's travel rounded to
the nearest step, 0 to 255, or 0 to 65535 over a channel and its fine
channel (high byte first).
"""
import math
from fractions import Fraction


def fixture_layout(group):
    """(lags in pattern pips, mirrored flags) for each fixture of a group."""
    count = group.fixtures
    if group.wings:
        share = (count + 1) // 2
        places = [min(i, count - 1 - i) for i in range(count)]
        mirrored = [i > count - 1 - i for i in range(count)]
    else:
        share = count
        places = list(range(count))
        mirrored = [False] * count
    lags = [math.floor(group.spread * place * group.period / (share * 360) + Fraction(1, 2))
            for place in places]
    return lags, mirrored


class GroupMotion:
    """Where each fixture of a group is in its pattern, and its sized offset."""

    def __init__(self, group, sample):
        self.group = group
        self.lags, self.mirrored = fixture_layout(group)
        self._sample = sample
        self._name = group.pattern
        self._period = group.period
        self._direction = -1 if group.reverse else 1
        self._speed = (group.speed.numerator, group.speed.denominator)

    def pattern_pip(self, pip):
        """The pattern pip of the group's first fixture at master pip `pip`."""
        numerator, denominator = self._speed
        return (self._direction * (pip * numerator // denominator)) % self._period

    def pattern_pips(self, pip):
        numerator, denominator = self._speed
        time = pip * numerator // denominator
        direction, period = self._direction, self._period
        return [(direction * (time - lag)) % period for lag in self.lags]

    def components(self, pip):
        """The pattern's (x, y, z) for each fixture at master pip `pip`."""
        sample, name = self._sample, self._name
        return [sample(name, p).as_tuple() for p in self.pattern_pips(pip)]


def _scale(channel, size, mirrored, full):
    """(middle, half) so that middle + half * component is the output value."""
    sign = -1.0 if channel.invert else 1.0
    if mirrored and channel.axis == 0:
        sign = -sign
    middle = (channel.low + channel.high) / 2.0 * full
    half = (channel.high - channel.low) / 2.0 * full * size * sign
    return middle, half


class DmxWriter:
    """Writes one group's channels into its universe's 512-byte buffer."""

    def __init__(self, group, sample):
        self.motion = GroupMotion(group, sample)
        self.group = group
        coarse, fine = [], []
        for channel in group.channels:
            slots = []
            for fixture, mirrored in enumerate(self.motion.mirrored):
                base = group.address - 1 + fixture * group.footprint
                middle, half = _scale(channel, group.size, mirrored,
                                      65535.0 if channel.fine else 255.0)
                if channel.fine:
                    slots.append((base + channel.channel - 1, base + channel.fine - 1,
                                  middle, half))
                else:
                    slots.append((base + channel.channel - 1, middle, half))
            (fine if channel.fine else coarse).append((channel.axis, slots))
        self._coarse, self._fine = coarse, fine

    def write(self, pip, buffer):
        self._write(self.motion.components(pip), buffer)

    def write_home(self, buffer):
        self._write([(0.0, 0.0, 0.0)] * self.group.fixtures, buffer)

    def _write(self, components, buffer):
        for axis, slots in self._coarse:
            for (index, middle, half), component in zip(slots, components):
                buffer[index] = int(middle + half * component[axis] + 0.5)
        for axis, slots in self._fine:
            for (index, fine, middle, half), component in zip(slots, components):
                value = int(middle + half * component[axis] + 0.5)
                buffer[index] = value >> 8
                buffer[fine] = value & 0xFF


class OscWriter:
    """One group's OSC messages: (address, [values]) for each fixture."""

    def __init__(self, group, sample):
        self.motion = GroupMotion(group, sample)
        self.group = group
        self._slots = []
        for fixture, mirrored in enumerate(self.motion.mirrored):
            values = [(channel.address.format(n=fixture + 1), channel.axis,
                       *_scale(channel, group.size, mirrored, 1.0)) for channel in group.channels]
            xyz = group.osc_xyz.format(n=fixture + 1) if group.osc_xyz else ""
            signs = (-group.size if mirrored else group.size, group.size, group.size)
            self._slots.append((values, xyz, signs))

    def messages(self, pip):
        return self._messages(self.motion.components(pip))

    def home_messages(self):
        return self._messages([(0.0, 0.0, 0.0)] * self.group.fixtures)

    def _messages(self, components):
        messages = []
        for (values, xyz, signs), component in zip(self._slots, components):
            for address, axis, middle, half in values:
                messages.append((address, [middle + half * component[axis]]))
            if xyz:
                # (+ 0.0 sends a still component as 0.0, never -0.0)
                messages.append((xyz, [sign * value + 0.0
                                       for sign, value in zip(signs, component)]))
        return messages
