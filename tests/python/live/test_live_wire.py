"""What reaches the wire: Art-Net, sACN and OSC packets, received on
127.0.0.1 and parsed, against pulsework.sample through the rig's mapping."""
import math
from fractions import Fraction

import pytest
from pythonosc.osc_packet import OscPacket
from sacn.messages.data_packet import DataPacket

from pulsework_live import Show, load_rig

PIPS = [0, 1, 37, 255, 1000, -77, 123457, 2**31 - 1000]

RIG = """
[rig]
on_exit = "{on_exit}"

[[output]]
name = "truss"
protocol = "artnet"
port = {artnet}

[[output]]
name = "floor"
protocol = "sacn"
host = "127.0.0.1"
port = {sacn}
priority = 150

[[output]]
name = "screen"
protocol = "osc"
port = {osc}
bundle = {bundle}

[[group]]
name = "spots"
pattern = "helix"
fixtures = 6
size = 0.75
speed = 2
spread = 180
wings = true
output = "truss"
universe = 3
address = 5
footprint = 8
pan = {{ channel = 1, fine = 2, range = [10, 90] }}
tilt = {{ channel = 3, invert = true }}
zoom = {{ channel = 7, fine = 8, range = [100, 0] }}

[[group]]
name = "washes"
pattern = "{depth_pattern}"
fixtures = 5
speed = "3/4"
spread = 90
reverse = true
output = "floor"
universe = 2
address = 100
pan = {{ channel = 2, axis = "y" }}
dimmer = {{ channel = 1, range = [20, 100] }}

[[group]]
name = "visuals"
pattern = "circle"
fixtures = 3
speed = "1/2"
spread = 120
output = "screen"
osc.x = {{ address = "/layer{{n}}/x", range = [0, 1] }}
osc.y = "/layer{{n}}/y"
osc.xyz = "/layer{{n}}/xyz"
"""


def depth_pattern(module):
    """A 3-D pack pattern of the catalogue as it stands (the packs grow)."""
    return next(r["name"] for r in module.catalogue()[15:] if r["dimensions"] == 3)


@pytest.fixture
def wired(module, receivers, write_rig, at_pip):
    """make(bundle=False, on_exit="blackout"): (show, receivers by output name)."""
    def make(bundle=False, on_exit="blackout"):
        ends = {name: receivers() for name in ("truss", "floor", "screen")}
        path = write_rig(RIG.format(artnet=ends["truss"].port, sacn=ends["floor"].port,
                                    osc=ends["screen"].port, bundle=str(bundle).lower(),
                                    on_exit=on_exit, depth_pattern=depth_pattern(module)))
        show = Show(load_rig(path), at_pip, module.sample)
        return show, ends
    return make


def artnet(packet):
    """(port-address, data) of an ArtDmx packet, read by the book."""
    assert packet[:8] == b"Art-Net\x00"
    assert int.from_bytes(packet[8:10], "little") == 0x5000
    assert packet[10:12] == b"\x00\x0e"
    length = int.from_bytes(packet[16:18], "big")
    assert len(packet) == 18 + length
    return int.from_bytes(packet[14:16], "little"), packet[18:]


def osc_messages(datagrams):
    return [(m.message.address, m.message.params) for d in datagrams
            for m in OscPacket(d).messages]


def fixture_offsets(module, group, pip):
    """Each fixture's (x, y, z): its place in the spread (the two wings
    sharing places, mirrored about the centre), its lag, and the pattern there."""
    shaping = group.shaping
    count, period = group.fixtures, group.period
    share = (count + 1) // 2 if shaping.wings else count
    result = []
    for i in range(count):
        place = min(i, count - 1 - i) if shaping.wings else i
        lag = round(Fraction(shaping.spread) * place * period / (share * 360))
        time = math.floor(pip * shaping.speed)
        pattern_pip = (-(time - lag) if shaping.reverse else time - lag) % period
        result.append(module.sample(group.pattern, pattern_pip).as_tuple())
    return result


def mapped(channel, size, offset):
    value = offset[channel.axis] * size
    if channel.invert:
        value = -value
    return channel.low + (channel.high - channel.low) * (value + 1) / 2


def check_dmx(module, group, pip, data):
    size = group.shaping.size[0]
    for i, offset in enumerate(fixture_offsets(module, group, pip)):
        base = group.address - 1 + i * group.footprint
        for channel in group.channels:
            fraction = mapped(channel, size, offset)
            if channel.fine:
                got = data[base + channel.channel - 1] * 256 + data[base + channel.fine - 1]
                want = fraction * 65535
            else:
                got, want = data[base + channel.channel - 1], fraction * 255
            assert abs(got - want) <= 0.5 + 1e-6, (group.name, pip, i, channel.role, got, want)


def check_osc(module, group, pip, messages):
    expected = []
    size = group.shaping.size[0]
    for i, offset in enumerate(fixture_offsets(module, group, pip)):
        for channel in group.channels:
            expected.append(("/layer%d/%s" % (i + 1, channel.role),
                             [mapped(channel, size, offset)]))
        expected.append(("/layer%d/xyz" % (i + 1), [size * v for v in offset]))
    assert [address for address, _ in messages] == [address for address, _ in expected]
    for (_, got), (_, want) in zip(messages, expected):
        assert got == pytest.approx(want, abs=1e-6)  # OSC floats are 32-bit


@pytest.mark.parametrize("bundle", [False, True])
def test_each_fixture_gets_its_pattern_through_the_mapping(module, wired, bundle):
    show, ends = wired(bundle=bundle)
    spots, washes, visuals = show.rig.groups
    try:
        for pip in PIPS:
            show.frame(now=pip)
            universe, data = artnet(ends["truss"].take(1)[0])
            assert universe == 3 and len(data) == 512
            check_dmx(module, spots, pip, data)
            # Nothing outside the group's channels moves.
            used = {spots.address - 1 + i * 8 + c - 1 for i in range(6) for c in (1, 2, 3, 7, 8)}
            assert not any(data[c] for c in range(512) if c not in used)

            (raw,) = ends["floor"].take(1)
            packet = DataPacket.make_data_packet(raw)
            assert (packet.universe, packet.priority, packet.sourceName) == (2, 150,
                                                                            "pulsework-live")
            check_dmx(module, washes, pip, packet.dmxData)

            datagrams = ends["screen"].take(1 if bundle else 9)
            check_osc(module, visuals, pip, osc_messages(datagrams))
    finally:
        show.close()


@pytest.mark.parametrize("on_exit", ["blackout", "home"])
def test_exit_frame(module, wired, on_exit):
    show, ends = wired(on_exit=on_exit)
    show.frame(now=1000)
    for end, count in (("truss", 1), ("floor", 1), ("screen", 9)):
        end_packets = ends[end].take(count)
        assert end_packets
    show.close()
    spots, washes, visuals = show.rig.groups
    packets = [artnet(p)[1] for p in ends["truss"].take(3)]
    floor = [DataPacket.make_data_packet(p) for p in ends["floor"].take(6)]
    assert [p.option_StreamTerminated for p in floor] == [False] * 3 + [True] * 3
    assert len({bytes(p) for p in packets}) == 1
    if on_exit == "blackout":
        assert not any(packets[0]) and not any(floor[0].dmxData)
    else:
        # The middle of each range: 32768 over two channels, 128 on one.
        middles = {spots.address - 1 + c - 1: 128 for c in (1, 3, 7)}
        assert {c: packets[0][c] for c in range(512) if packets[0][c]} == {
            c + i * 8: value for i in range(6) for c, value in middles.items()}
        assert floor[0].dmxData[99:101] == (153, 128)
    messages = osc_messages(ends["screen"].take(27))
    assert messages[:3] == [("/layer1/x", [0.5]), ("/layer1/y", [0.0]),
                            ("/layer1/xyz", [0.0, 0.0, 0.0])]
    assert ends["truss"].drain() == []
