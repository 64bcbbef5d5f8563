"""The environment for a test's child Python process."""
import os
import sys


def environment():
    """This process's environment with its import path, so that the child
    imports the same pulsework.

    Under a preloaded AddressSanitizer the child keeps every check but the
    leak check at its exit: that check's own tracer has faulted in such
    children now and then ("Tracer caught signal 11", with no report), which
    would fail a test for the checker's sake. The children are there to catch
    crashes; leaks are checked in the suite's own process, which runs every
    entry point too."""
    env = dict(os.environ, PYTHONPATH=os.pathsep.join(p for p in sys.path if p))
    if "libasan" in env.get("LD_PRELOAD", ""):
        # Of repeated sanitizer options the last one counts.
        env["ASAN_OPTIONS"] = ":".join(filter(None, (env.get("ASAN_OPTIONS"), "detect_leaks=0")))
    return env
