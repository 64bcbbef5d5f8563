"""From a pip to each fixture's output values: one group's motion and its
channel mapping.

A group plays its pattern over its fixtures through pulsework_motion's
Motion, with the group's shaping (size, centre, speed, spread, reverse,
wings, blocks, ping-pong, rotation, fade in), fixture i being copy i. Each
mapped value is the shaped component (negated when the channel is
inverted), held within [-1, 1] and taken from there onto [low, high]. A DMX
value is that fraction of the channel's travel rounded to the nearest
step, 0 to 255, or 0 to 65535 over a channel and its fine channel (high
byte first).
"""
from pulsework_motion import Motion


def group_motion(group, sample):
    """The Motion of a group's fixtures, sampled through `sample`."""
    return Motion(group.pattern, group.shaping, group.fixtures, sample=sample,
                  period=group.period)


def _scale(channel, full):
    """(middle, half) so that middle + half * component is the output value."""
    sign = -1.0 if channel.invert else 1.0
    middle = (channel.low + channel.high) / 2.0 * full
    half = (channel.high - channel.low) / 2.0 * full * sign
    return middle, half


def _held(value):
    return -1.0 if value < -1.0 else 1.0 if value > 1.0 else value


class DmxWriter:
    """Writes one group's channels into its universe's 512-byte buffer."""

    def __init__(self, group, sample):
        self.motion = group_motion(group, sample)
        self.group = group
        self._home = [(0.0, 0.0, 0.0)] * group.fixtures
        self.positions = self._home   # what the last frame sent (the remote draws it)
        coarse, fine = [], []
        for channel in group.channels:
            middle, half = _scale(channel, 65535.0 if channel.fine else 255.0)
            slots = []
            for fixture in range(group.fixtures):
                base = group.address - 1 + fixture * group.footprint
                if channel.fine:
                    slots.append((base + channel.channel - 1, base + channel.fine - 1))
                else:
                    slots.append(base + channel.channel - 1)
            (fine if channel.fine else coarse).append((channel.axis, middle, half, slots))
        self._coarse, self._fine = coarse, fine

    def write(self, pip, buffer):
        self.positions = self.motion.positions(pip)
        self._write(self.positions, buffer)

    def write_home(self, buffer):
        self._write(self._home, buffer)

    def _write(self, positions, buffer):
        for axis, middle, half, slots in self._coarse:
            for index, position in zip(slots, positions):
                buffer[index] = int(middle + half * _held(position[axis]) + 0.5)
        for axis, middle, half, slots in self._fine:
            for (index, fine), position in zip(slots, positions):
                value = int(middle + half * _held(position[axis]) + 0.5)
                buffer[index] = value >> 8
                buffer[fine] = value & 0xFF


class OscWriter:
    """One group's OSC messages: (address, [values]) for each fixture."""

    def __init__(self, group, sample):
        self.motion = group_motion(group, sample)
        self.group = group
        self._home = [(0.0, 0.0, 0.0)] * group.fixtures
        self.positions = self._home   # what the last frame sent (the remote draws it)
        self._slots = []
        for fixture in range(group.fixtures):
            number = str(fixture + 1)
            values = [(channel.address.replace("{n}", number), channel.axis,
                       *_scale(channel, 1.0)) for channel in group.channels]
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
            for address, axis, middle, half in values:
                messages.append((address, [middle + half * position[axis]]))
            if xyz:
                # (+ 0.0 sends a still component as 0.0, never -0.0)
                messages.append((xyz, [value + 0.0 for value in position]))
        return messages
