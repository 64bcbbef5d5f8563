"""From a pip to each fixture's output values: one group's motion and its
channel mapping.

A group plays its pattern over its fixtures through pulsework_motion's
Motion, with the group's shaping (size, centre, speed, spread, reverse,
wings, blocks, ping-pong, rotation, fade in), fixture i being copy i (at
its place along the spread, for a group spread by position). Where the
fixtures have limits (pulsework_live.limit), each follows its place as
fast as it can. Each mapped value is the shaped component (negated when
the channel is inverted), held within the channel's domain ([-1, 1], or a
GDTF pan or tilt's physical range in degrees) and taken from there onto
[low, high]. A DMX value is that fraction of the channel's travel rounded
to the nearest step, 0 to 255, or 0 to 65535 over a channel and its fine
channel (high byte first).
"""
from pulsework_motion import Motion

from .limit import Follower


def group_motion(group, sample):
    """The Motion of a group's fixtures, sampled through `sample`."""
    return Motion(group.pattern, group.shaping, group.fixtures, sample=sample,
                  period=group.period, where=group.where or None)


def _line(channel, full):
    """(offset, slope, lowest, highest): the output value of a component c
    held within [lowest, highest] is offset + slope * c."""
    start, end = channel.domain
    if channel.invert:
        start, end = end, start
    slope = (channel.high - channel.low) * full / (end - start)
    return channel.low * full - start * slope, slope, min(start, end), max(start, end)


class DmxWriter:
    """Writes one group's channels into its universes' 512-byte buffers
    (`buffers` maps each universe of the group's patches to its buffer)."""

    def __init__(self, group, sample, buffers):
        self.motion = group_motion(group, sample)
        self.group = group
        self.follower = Follower([patch.limits for patch in group.patches]) \
            if group.limited else None
        self.positions = [(0.0, 0.0, 0.0)] * group.fixtures   # what the last frame sent
        coarse, fine = [], []
        for fixture, patch in enumerate(group.patches):
            buffer = buffers[patch.universe]
            base = patch.address - 2
            for channel in patch.channels:
                line = _line(channel, 65535.0 if channel.fine else 255.0)
                if channel.fine:
                    fine.append((fixture, channel.axis) + line + (
                        buffer, base + channel.channel, base + channel.fine))
                else:
                    coarse.append((fixture, channel.axis) + line + (buffer, base + channel.channel))
        self._coarse, self._fine = coarse, fine

    def write(self, pip, now=None):
        """The group at master pip `pip`; `now` (seconds) paces the limits.
        `positions` keeps what it sent (the remote draws it)."""
        positions = self.motion.positions(pip)
        if self.follower is not None and now is not None:
            positions = self.follower.follow(positions, now)
        self.positions = positions
        for fixture, axis, offset, slope, lowest, highest, buffer, index in self._coarse:
            value = positions[fixture][axis]
            value = lowest if value < lowest else highest if value > highest else value
            buffer[index] = int(offset + slope * value + 0.5)
        for fixture, axis, offset, slope, lowest, highest, buffer, index, low in self._fine:
            value = positions[fixture][axis]
            value = lowest if value < lowest else highest if value > highest else value
            value = int(offset + slope * value + 0.5)
            buffer[index] = value >> 8
            buffer[low] = value & 0xFF

    def write_home(self):
        """Every mapped channel to the middle of its domain."""
        for entry in self._coarse + self._fine:
            offset, slope, lowest, highest, buffer, index = entry[2:8]
            value = int(offset + slope * (lowest + highest) / 2 + 0.5)
            if len(entry) == 9:
                buffer[index], buffer[entry[8]] = value >> 8, value & 0xFF
            else:
                buffer[index] = value
        if self.follower is not None:
            self.follower.reset()


class OscWriter:
    """One group's OSC messages: (address, [values]) for each fixture."""

    def __init__(self, group, sample):
        self.motion = group_motion(group, sample)
        self.group = group
        self.follower = None
        self._home = [(0.0, 0.0, 0.0)] * group.fixtures
        self.positions = self._home   # what the last frame sent (the remote draws it)
        self._slots = []
        for fixture in range(group.fixtures):
            number = str(fixture + 1)
            values = [(channel.address.replace("{n}", number), channel.axis,
                       *_line(channel, 1.0)[:2]) for channel in group.channels]
            xyz = group.osc_xyz.replace("{n}", number) if group.osc_xyz else ""
            self._slots.append((values, xyz))

    def messages(self, pip):
        self.positions = self.motion.positions(pip)
        return self._messages(self.positions)

    def home_messages(self):
        return self._messages(self._home)

    def _messages(self, positions):
        messages = []
        for (values, xyz), position in zip(self._slots, positions):
            for address, axis, offset, slope in values:
                messages.append((address, [offset + slope * position[axis]]))
            if xyz:
                # (+ 0.0 sends a still component as 0.0, never -0.0)
                messages.append((xyz, [value + 0.0 for value in position]))
        return messages
