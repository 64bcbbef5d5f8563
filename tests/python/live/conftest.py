import socket
import textwrap

import pytest

RECEIVE_SECONDS = 10.0


class Receiver:
    """A UDP socket on 127.0.0.1 that the program under test sends to."""

    def __init__(self):
        self.socket = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
        self.socket.bind(("127.0.0.1", 0))
        self.socket.settimeout(RECEIVE_SECONDS)
        self.port = self.socket.getsockname()[1]

    def take(self, count):
        return [self.socket.recv(65536) for _ in range(count)]

    def drain(self):
        """Whatever has arrived, without waiting."""
        self.socket.settimeout(0)
        packets = []
        try:
            while True:
                packets.append(self.socket.recv(65536))
        except (BlockingIOError, socket.timeout):
            pass
        finally:
            self.socket.settimeout(RECEIVE_SECONDS)
        return packets

    def close(self):
        self.socket.close()


@pytest.fixture
def receivers():
    made = []

    def make():
        made.append(Receiver())
        return made[-1]

    yield make
    for receiver in made:
        receiver.close()


@pytest.fixture
def write_rig(tmp_path):
    """write_rig(text): the path of a rig file holding the dedented text."""
    def write(text, name="rig.toml"):
        path = tmp_path / name
        path.write_text(textwrap.dedent(text), encoding="utf-8")
        return str(path)
    return write


class AtPip:
    """A clock whose position is the moment itself: frame(now=pip) plays pip."""

    source = "test"
    paused = False

    def position(self, now):
        return float(now)


@pytest.fixture
def at_pip():
    return AtPip()
