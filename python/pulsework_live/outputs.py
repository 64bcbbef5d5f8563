"""Senders: Art-Net through stupidArtnet, sACN (E1.31) packets made by sacn,
OSC through python-osc. Each sends one frame when asked, from the frame
thread, and keeps count of what it sent and of the last failure, which the
live view shows; a failed send never stops the show.
"""
import socket
import uuid

ARTNET_SEQUENCE_BYTE = 12
SACN_SEQUENCE_BYTE = 111
SACN_HEADER_BYTES = 126
SACN_MULTICAST_TTL = 8
OSC_DATAGRAM_BYTES = 1400  # a bundle stays within one Ethernet frame


def resolve(output):
    """The IPv4 address of an output's host, looked up once rather than on every packet."""
    host = output.address or output.host
    try:
        return socket.gethostbyname(host)
    except OSError as error:
        raise OSError("cannot find host %s: %s" % (host, error.strerror or error)) from None


class Sender:
    """Counts and the last failure, for the view."""

    def __init__(self, output):
        self.output = output
        self.packets = 0
        self.failures = 0
        self.last_error = ""
        self.failing = False

    def sent(self):
        self.packets += 1
        self.failing = False

    def failed(self, error):
        self.failures += 1
        self.last_error = str(error)
        self.failing = True

    @property
    def state(self):
        """"ok", "ok (3 sends failed)" once it recovers, or the error while it lasts."""
        if self.failing:
            return "error: %s" % self.last_error
        if self.failures:
            return "ok (%d send%s failed)" % (self.failures, "" if self.failures == 1 else "s")
        return "ok"


class _WatchedSocket:
    """A UDP socket that reports a failed send to its Sender instead of
    raising: stupidArtnet would print the error, which would tear the view."""

    def __init__(self, sock, sender):
        self._socket = sock
        self._sender = sender

    def sendto(self, data, address):
        try:
            sent = self._socket.sendto(data, address)
        except OSError as error:
            self._sender.failed(error)
            return 0
        self._sender.sent()
        return sent

    def __getattr__(self, name):
        return getattr(self._socket, name)


class ArtNetSender(Sender):
    """ArtDmx packets, one per universe and frame, through stupidArtnet."""

    label = "Art-Net"

    def __init__(self, output, universes, fps):
        super().__init__(output)
        from stupidArtnet import StupidArtnet

        host = resolve(output)
        self.target = "%s:%d" % (host, output.port)
        self._nodes = []
        for universe, buffer in sorted(universes.items()):
            node = StupidArtnet(host, universe, len(buffer), int(fps), even_packet_size=True,
                                broadcast=output.broadcast, port=output.port)
            node.socket_client = _WatchedSocket(node.socket_client, self)
            node.set(buffer)  # the node sends this very buffer, refreshed in place
            self._nodes.append(node)
        self._sequences = [0] * len(self._nodes)
        self.universes = sorted(universes)

    def send(self):
        # Receivers reorder by the sequence number, 1 to 255 for each
        # universe (0 would tell them not to); stupidArtnet writes it into
        # its header only once.
        sequences = self._sequences
        for k, node in enumerate(self._nodes):
            sequences[k] = sequences[k] % 255 + 1
            node.packet_header[ARTNET_SEQUENCE_BYTE] = sequences[k]
            node.show()

    def close(self):
        for node in self._nodes:
            node.close()
        self._nodes = []


class SacnSender(Sender):
    """E1.31 data packets, one per universe and frame, unicast or multicast.

    The sacn library makes each universe's packet header once; a frame
    changes only the sequence number and the data."""

    label = "sACN"

    def __init__(self, output, universes, fps):
        super().__init__(output)
        from sacn.messages.data_packet import DataPacket, calculate_multicast_addr

        cid = tuple(uuid.uuid4().bytes)
        self._socket = _WatchedSocket(socket.socket(socket.AF_INET, socket.SOCK_DGRAM), self)
        if output.multicast:
            self._socket.setsockopt(socket.IPPROTO_IP, socket.IP_MULTICAST_TTL,
                                    SACN_MULTICAST_TTL)
            self.target = "multicast:%d" % output.port
        else:
            host = resolve(output)
            self.target = "%s:%d" % (host, output.port)
        self._universes = []
        for universe, buffer in sorted(universes.items()):
            headers = []
            for terminated in (False, True):
                packet = DataPacket(cid, output.source_name, universe, (0,) * len(buffer),
                                    priority=output.priority, streamTerminated=terminated)
                headers.append(bytes(packet.getBytes()[:SACN_HEADER_BYTES]))
            destination = calculate_multicast_addr(universe) if output.multicast else host
            self._universes.append([headers, (destination, output.port), buffer, 0])
        self.universes = sorted(universes)

    def _send(self, terminated=False):
        for entry in self._universes:
            headers, destination, buffer, sequence = entry
            header = headers[terminated]
            self._socket.sendto(b"".join((header[:SACN_SEQUENCE_BYTE], bytes((sequence,)),
                                          header[SACN_SEQUENCE_BYTE + 1:], buffer)), destination)
            entry[3] = (sequence + 1) & 0xFF

    def send(self):
        self._send()

    def close(self):
        # Receivers let go of a source at once when it says its stream ends.
        if self._universes:
            for _ in range(3):
                self._send(terminated=True)
        self._socket.close()
        self._universes = []


class OscSender(Sender):
    """OSC messages made by python-osc, one datagram each, or gathered into
    bundles."""

    label = "OSC"

    def __init__(self, output):
        super().__init__(output)
        host = resolve(output)
        self.target = "%s:%d" % (host, output.port)
        self._destination = (host, output.port)
        self._socket = _WatchedSocket(socket.socket(socket.AF_INET, socket.SOCK_DGRAM), self)
        self.universes = []

    def send(self, messages):
        from pythonosc.osc_bundle_builder import IMMEDIATELY, OscBundleBuilder
        from pythonosc.osc_message_builder import OscMessageBuilder

        built = []
        for address, values in messages:
            builder = OscMessageBuilder(address)
            for value in values:
                builder.add_arg(float(value), OscMessageBuilder.ARG_TYPE_FLOAT)
            built.append(builder.build())
        sendto, destination = self._socket.sendto, self._destination
        if not self.output.bundle:
            for message in built:
                sendto(message.dgram, destination)
            return
        start = 0
        while start < len(built):
            bundle, size, end = OscBundleBuilder(IMMEDIATELY), 16, start
            while end < len(built) and (end == start or size + 4 + built[end].size
                                        <= OSC_DATAGRAM_BYTES):
                bundle.add_content(built[end])
                size += 4 + built[end].size
                end += 1
            sendto(bundle.build().dgram, destination)
            start = end

    def close(self):
        self._socket.close()
