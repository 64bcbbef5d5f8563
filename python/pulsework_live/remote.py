"""The web remote: one page and its WebSocket, served by the websockets
library from an event loop in a thread of its own.

The page has the cue buttons, tap, the master size and speed, blackout and
a live view of every group, drawn from the positions the last frame sent
(each writer keeps them). It asks for a frame ("n") when it has drawn the
last; the server answers with the next frame the show sends, so the view
runs at the show's frame rate or the browser's, whichever is lower, and a
slow phone never builds a queue. Commands from the page go through the
show's commands, as OSC and MIDI do.

Wire format: text messages are JSON ({"t": "pin" | "welcome" | "state"}
from the server; {"pin": ...} or {"cmd": NAME, "value": ...} from the page);
a frame is binary, little-endian: frame number (uint32), flags (uint32,
1 = blackout), pip (float64), then x, y, z (float32) of every fixture,
group after group in the order of the welcome's groups, as sent (degrees
for a group aimed in degrees: the welcome gives each group's scales).

Safety: it listens on 127.0.0.1 unless asked for another interface. It
answers only requests addressed to an IP address, localhost or this
machine's name (a page elsewhere cannot reach it through a name of its
own), takes a WebSocket only from its own page or from a client that is
no browser (no Origin), and with a PIN, takes commands only after the
PIN; PINs are checked one at a time, a wrong one taking PIN_DELAY seconds.
"""
import array
import asyncio
import hmac
import ipaddress
import json
import logging
import os
import socket
import struct
import sys
import threading
from importlib import resources

PIN_DELAY = 1.0
MAX_MESSAGE_BYTES = 4096
PIN_SECONDS = 300
FRAME_HEADER = struct.Struct("<IId")
BLACKOUT = 1
SECURITY_HEADERS = (
    ("Cache-Control", "no-store"),
    ("X-Content-Type-Options", "nosniff"),
    ("Referrer-Policy", "no-referrer"),
    ("Content-Security-Policy", "default-src 'none'; style-src 'unsafe-inline'; "
                                "script-src 'unsafe-inline'; connect-src 'self'; "
                                "frame-ancestors 'none'"),
)

# The library's own log says nothing on the terminal the view draws on.
_quiet = logging.getLogger("pulsework_live.remote")
_quiet.addHandler(logging.NullHandler())
_quiet.propagate = False


def fixture_places(group):
    """The (x, y) in metres of each fixture of a group placed by a scene,
    else None."""
    places = [patch.position[:2] for patch in getattr(group, "patches", ()) if patch.position]
    return [list(place) for place in places] if places and len(places) == group.fixtures else None


def axis_scales(group):
    """(middle, half) of x, y and z for the page to draw (v - middle) / half:
    a group aimed in degrees around the centre its rig file gives, by its
    size; any other as it is."""
    if not getattr(group, "degrees", False):
        return [[0.0, 1.0]] * 3
    shaping = group.shaping
    return [[centre, size or 1.0] for centre, size in zip(shaping.centre, shaping.size)]


class Remote:
    """Serves the page on (host, port) until closed; `url` is its address
    (with the port chosen when 0 was asked for)."""

    def __init__(self, show, commands, host="127.0.0.1", port=8080, pin=""):
        self.show = show
        self.commands = commands
        self.host = host
        self.pin = pin
        self.port = port
        self.clients = 0
        self.errors = 0
        self.last_error = ""
        self._page = resources.files(__package__).joinpath("templates", "remote.html").read_bytes()
        self._names = {"localhost", host.lower(), socket.gethostname().lower(),
                       socket.gethostname().lower() + ".local"}
        self._frame = None            # (number, flags, pip, [positions of each writer])
        self._encoded = (0, b"")
        self._waiting = 0
        self._loop = None
        self._failed = None
        ready = threading.Event()
        self._thread = threading.Thread(target=asyncio.run, args=(self._main(port, ready),),
                                        name="pulsework-live remote", daemon=True)
        self._thread.start()
        ready.wait(30)
        if self._failed is not None:
            raise self._failed
        show.watchers.append(self.frame_sent)

    @property
    def url(self):
        host = "[%s]" % self.host if ":" in self.host else self.host
        return "http://%s:%d/" % (host, self.port)

    async def _main(self, port, ready):
        from websockets.asyncio.server import serve

        self._loop = asyncio.get_running_loop()
        self._stop = asyncio.Event()
        self._new = asyncio.Event()
        self._pin_turn = asyncio.Lock()
        try:
            server = await serve(self._session, self.host, port, process_request=self._request,
                                 max_size=MAX_MESSAGE_BYTES, compression=None, logger=_quiet)
        except OSError as error:
            self._failed = OSError("cannot serve the remote on %s:%d: %s"
                                   % (self.host, port, error.strerror or error))
            ready.set()
            return
        self.port = server.sockets[0].getsockname()[1]
        ready.set()
        await self._stop.wait()
        server.close()
        await server.wait_closed()

    def close(self):
        if self.frame_sent in self.show.watchers:
            self.show.watchers.remove(self.frame_sent)
        if self._loop is not None and self._thread.is_alive():
            self._loop.call_soon_threadsafe(self._stop.set)
        self._thread.join(10)

    # The frame thread hands over each frame it sent.

    def frame_sent(self, pip):
        director = self.show.director
        flags = BLACKOUT if director is not None and director.blackout else 0
        number = self._frame[0] + 1 if self._frame else 1
        self._frame = (number, flags, pip, [writer.positions for writer in self.show.writers])
        if self._waiting:
            self._loop.call_soon_threadsafe(self._wake)

    def _wake(self):
        self._new.set()
        self._new = asyncio.Event()

    async def _next_frame(self, sent):
        """The first frame after frame number `sent`, encoded, once the show has sent it."""
        while self._frame is None or self._frame[0] <= sent:
            self._waiting += 1
            try:
                await self._new.wait()
            finally:
                self._waiting -= 1
        frame = self._frame
        if self._encoded[0] != frame[0]:
            values = array.array("f", [v for positions in frame[3] for p in positions for v in p])
            if sys.byteorder == "big":
                values.byteswap()
            self._encoded = (frame[0], FRAME_HEADER.pack(*frame[:3]) + values.tobytes())
        return self._encoded

    # HTTP: the page, and the WebSocket's handshake.

    def _request(self, connection, request):
        host = request.headers.get("Host", "")
        if not self._known_host(host):
            return _response(403, "Forbidden", b"this remote answers to its address, "
                                               b"not to another name\n")
        path = request.path.split("?", 1)[0]
        if path == "/":
            return _response(200, "OK", self._page, "text/html; charset=utf-8")
        if path == "/ws":
            origin = request.headers.get("Origin")
            if origin is not None and origin != "http://" + host:
                return _response(403, "Forbidden", b"the WebSocket is for the remote's own page\n")
            return None
        return _response(404, "Not Found", b"not found\n")

    def _known_host(self, host):
        name = host[1:host.find("]")] if host.startswith("[") else host.rsplit(":", 1)[0]
        try:
            ipaddress.ip_address(name)
            return True
        except ValueError:
            return name.lower() in self._names

    # A page (or any client) once connected.

    async def _session(self, connection):
        from websockets.exceptions import ConnectionClosed

        try:
            if self.pin and not await self._pin_given(connection):
                return
            self.clients += 1
            try:
                await self._serve_page(connection)
            finally:
                self.clients -= 1
        except ConnectionClosed:
            pass
        except Exception as error:  # one client's fault never stops the remote
            self.errors += 1
            self.last_error = "%s: %s" % (type(error).__name__, error)

    async def _pin_given(self, connection):
        await connection.send(json.dumps({"t": "pin"}))
        try:
            given = json.loads(await asyncio.wait_for(connection.recv(), PIN_SECONDS)).get("pin")
        except (asyncio.TimeoutError, ValueError, AttributeError):
            given = None
        # Every PIN waits its turn, so that guesses sent side by side gain nothing.
        async with self._pin_turn:
            if isinstance(given, str) and hmac.compare_digest(given.encode(), self.pin.encode()):
                return True
            await asyncio.sleep(PIN_DELAY)
        self.commands.refuse("remote", "a wrong PIN from %s" % (connection.remote_address[0],))
        await connection.close(4003, "wrong PIN")
        return False

    async def _serve_page(self, connection):
        # Commands are taken as they come, while frames wait for the show.
        await connection.send(json.dumps(self.welcome()))
        wanted = asyncio.Event()
        frames = asyncio.ensure_future(self._send_frames(connection, wanted))
        try:
            async for message in connection:
                if message == "n":
                    wanted.set()
                else:
                    self._command(message)
        finally:
            frames.cancel()

    async def _send_frames(self, connection, wanted):
        """Each frame asked for, the state first when it changed."""
        sent, state = 0, None
        while True:
            await wanted.wait()
            wanted.clear()
            sent, frame = await self._next_frame(sent)
            text = json.dumps(self.state())
            if text != state:
                await connection.send(text)
                state = text
            await connection.send(frame)

    def _command(self, message):
        try:
            asked = json.loads(message)
            name = asked["cmd"]
            values = [asked["value"]] if "value" in asked else []
        except (ValueError, TypeError, KeyError):
            self.commands.refuse("remote", "not a command: %.40r" % (message,))
            return
        self.commands.run("remote", name, *values)

    def welcome(self):
        rig = self.show.rig
        director = self.show.director
        return {"t": "welcome", "rig": os.path.basename(rig.path), "fps": rig.fps,
                "groups": [{"name": writer.group.name, "fixtures": writer.group.fixtures,
                            "places": fixture_places(writer.group),
                            "scales": axis_scales(rig.groups[writer.group.index])}
                           for writer in self.show.writers],
                "cues": [{"number": cue.number, "name": cue.name, "when": cue.describe()}
                         for cue in (director.cues if director is not None else ())]}

    def state(self):
        """What the page shows besides the frames (which carry the pip)."""
        clock = self.show.clock
        director = self.show.director
        bpm = clock.bpm
        state = {"t": "state", "bpm": round(bpm, 1) if bpm else None, "source": clock.source,
                 "paused": clock.paused, "message": self.commands.message}
        if director is not None:
            pending, went = director.pending, director.went
            state.update(
                cue=director.current.name if director.current else "",
                number=director.current.number if director.current else 0,
                pending=pending and {"number": pending[0].number, "name": pending[0].name,
                                     "go": pending[1]},
                went=went and {"go": went[1], "fade": went[3]},
                size=director.size, speed=director.speed, blackout=director.blackout)
        return state


def _response(status, reason, body, content_type="text/plain; charset=utf-8"):
    from websockets.datastructures import Headers
    from websockets.http11 import Response

    headers = Headers([("Content-Type", content_type), ("Content-Length", str(len(body))),
                       ("Connection", "close")] + list(SECURITY_HEADERS))
    return Response(status, reason, headers, body)
