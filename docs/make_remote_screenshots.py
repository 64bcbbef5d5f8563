"""Writes docs/remote.png and docs/remote-phone.png, the README's pictures of
pulsework-live's web remote, on a desktop and at a phone's 390 px.

    python docs/make_remote_screenshots.py [--chromium PATH]

Plays examples/cues.toml (its Art-Net goes to 127.0.0.1) with the clock
held at one pip, the breakdown fading in and the drop pending, so the
pictures only change when the page does. Needs the live extra, Playwright
for Python and a Chromium (Debian's by default).
"""
import argparse
import os

from playwright.sync_api import sync_playwright

import pulsework
from pulsework_live import Show, TempoClock, load_rig
from pulsework_live.control import Commands
from pulsework_live.cues import Director
from pulsework_live.remote import Remote

HERE = os.path.dirname(os.path.abspath(__file__))
SHOTS = (("remote.png", {"width": 1280, "height": 760}),
         ("remote-phone.png", {"width": 390, "height": 844}))


class StillClock(TempoClock):
    """A clock that stays where it is put (`beats`), at a tempo."""

    beats = 0.0

    def position(self, now=None):
        return self.beats * 64


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--chromium",
                        default=os.environ.get("PULSEWORK_CHROMIUM", "/usr/bin/chromium"))
    args = parser.parse_args()
    rig = load_rig(os.path.join(HERE, "..", "examples", "cues.toml"))
    clock = StillClock(124)
    show = Show(rig, clock, pulsework.sample)
    Director(show, pulsework.sample)
    commands = Commands(show)
    # The breakdown goes on bar 5 and fades over eight beats; hold the clock
    # three beats into it, with the drop pending for the next phrase.
    clock.beats = 4 * 4 - 0.5
    commands.cue("breakdown", "remote")
    clock.beats = 4 * 4
    show.frame()
    clock.beats = 4 * 4 + 3.3
    commands.cue("drop", "remote")
    remote = Remote(show, commands, "127.0.0.1", 0)
    show.start()
    try:
        with sync_playwright() as playwright:
            browser = playwright.chromium.launch(executable_path=args.chromium)
            for name, viewport in SHOTS:
                page = browser.new_page(viewport=viewport)
                page.goto(remote.url)
                page.wait_for_selector("html[data-state=ready]", state="attached")
                page.wait_for_function("() => pulseworkRemote.drawn > 0")
                page.wait_for_timeout(300)
                page.screenshot(path=os.path.join(HERE, name))
                page.close()
                print("wrote", os.path.join(HERE, name))
            browser.close()
    finally:
        remote.close()
        show.close()


if __name__ == "__main__":
    main()
