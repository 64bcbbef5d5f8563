"""Writes docs/gallery.png, the README's picture of the gallery, and
docs/gallery-playing-card.png, a groove card while its sound plays.

    python docs/make_screenshot.py [--chromium PATH] [--which all|gallery|card]

Needs Playwright for Python and a Chromium (Debian's by default). The clock
is stopped at a fixed beat, so the pictures only change when the page does.
The playing card is a pattern of a library written here, named on the house
groove and moved by that groove's kicks and claps, so that the picture does
not wait for the groove packs.
"""
import argparse
import json
import math
import os
import tempfile

from playwright.sync_api import sync_playwright

from pulsework_gallery import drum_programmes, write_gallery

HERE = os.path.dirname(os.path.abspath(__file__))
CARD = "beat_house_classic_sketch"


def sketch_rows():
    """A bounce that dips on every kick and sways to one side on each clap,
    from the house programme."""
    groove = next(g for g in drum_programmes()["grooves"] if g["name"] == "beat_house_classic")
    period = groove["period"]
    kicks = [e for e in groove["events"] if e["lane"] == "kick"]
    rows = []
    for pip in range(period):
        dip = max(k["velocity"] * math.exp(-((pip - k["pip"]) % period) / 16.0) for k in kicks)
        x = 0.65 * math.cos(math.pi * (pip - 64) / 128.0)
        rows.append([round(x, 6), round(0.6 - 1.4 * dip, 6), 0.0])
    return rows


def gallery_picture(browser, folder, out):
    written = write_gallery(os.path.join(folder, "plain"))
    page = browser.new_page(viewport={"width": 1280, "height": 840})
    page.goto(written.url)
    page.wait_for_selector("html[data-state=ready]", state="attached")
    page.fill("#search", "path")
    page.click("#play")
    page.evaluate("PW.clock.beats = 2.6; PW.clock.dirty = true")
    page.wait_for_timeout(400)
    page.screenshot(path=out)
    page.close()


def playing_card_picture(browser, folder, out):
    library = os.path.join(folder, "house.json")
    with open(library, "w") as stream:
        json.dump([{"name": CARD, "description": "A dip on every kick, a sway to each clap: "
                                                 "sketched from the house programme",
                    "samples": sketch_rows()}], stream)
    written = write_gallery(os.path.join(folder, "card"), library=library)
    page = browser.new_page(viewport={"width": 1280, "height": 840})
    page.goto(written.url)
    page.wait_for_selector("html[data-state=ready]", state="attached")
    page.select_option("#filter-group", "library")
    card = page.locator('.card[data-name="%s"]' % CARD)
    card.locator("button.sound").click()
    page.wait_for_function("PW.sound.stats().scheduled > 0")
    page.wait_for_timeout(1300)
    card.screenshot(path=out)
    page.close()


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--chromium",
                        default=os.environ.get("PULSEWORK_CHROMIUM", "/usr/bin/chromium"))
    parser.add_argument("--which", choices=("all", "gallery", "card"), default="all")
    args = parser.parse_args()
    pictures = []
    with tempfile.TemporaryDirectory() as folder, sync_playwright() as playwright:
        browser = playwright.chromium.launch(executable_path=args.chromium)
        if args.which in ("all", "gallery"):
            pictures.append(os.path.join(HERE, "gallery.png"))
            gallery_picture(browser, folder, pictures[-1])
        if args.which in ("all", "card"):
            pictures.append(os.path.join(HERE, "gallery-playing-card.png"))
            playing_card_picture(browser, folder, pictures[-1])
        browser.close()
    for picture in pictures:
        print("wrote %s (%d bytes)" % (picture, os.path.getsize(picture)))


if __name__ == "__main__":
    main()
