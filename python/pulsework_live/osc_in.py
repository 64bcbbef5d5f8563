"""OSC input, through python-osc's server in a thread of its own:

    /pulsework/cue <name|number>   /pulsework/tap      /pulsework/tempo <bpm>
    /pulsework/size <0-1>          /pulsework/speed <ratio>
    /pulsework/blackout <0|1>

Each message goes through the show's commands (control.Commands), as the
keys, MIDI and the remote do; what it did, or why not, shows on the view.
"""
import threading

from .control import COMMANDS, _brief

PREFIX = "/pulsework/"


class OscIn:
    """Takes OSC messages on (host, port) until closed; `address` is where
    it listens (the port chosen when 0 was asked for)."""

    def __init__(self, commands, host, port):
        from pythonosc.dispatcher import Dispatcher
        from pythonosc.osc_server import BlockingOSCUDPServer

        self.commands = commands
        dispatcher = Dispatcher()
        dispatcher.set_default_handler(self._message)
        try:
            self._server = BlockingOSCUDPServer((host, port), dispatcher)
        except OSError as error:
            raise OSError("cannot take OSC in on %s:%d: %s"
                          % (host, port, error.strerror or error)) from None
        self.address = self._server.server_address[:2]
        self._thread = threading.Thread(target=self._server.serve_forever, args=(0.2,),
                                        name="pulsework-live OSC in", daemon=True)
        self._thread.start()

    def _message(self, address, *values):
        name = address[len(PREFIX):] if address.startswith(PREFIX) else ""
        if name not in COMMANDS:
            self.commands.refuse("OSC", "%s is none of pulsework-live's addresses (%s)"
                                 % (_brief(address), ", ".join(PREFIX + c for c in COMMANDS)))
            return
        self.commands.run("OSC", name, *values)

    def close(self):
        self._server.shutdown()
        self._server.server_close()
        self._thread.join(5)
