"""Writes docs/gallery.png, the README's picture of the gallery.

    python docs/make_screenshot.py [--chromium PATH]

Needs Playwright for Python and a Chromium (Debian's by default). The clock
is stopped at a fixed beat, so the picture only changes when the page does.
"""
import argparse
import os
import tempfile

from playwright.sync_api import sync_playwright

from pulsework_gallery import write_gallery

HERE = os.path.dirname(os.path.abspath(__file__))


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--chromium",
                        default=os.environ.get("PULSEWORK_CHROMIUM", "/usr/bin/chromium"))
    parser.add_argument("--out", default=os.path.join(HERE, "gallery.png"))
    args = parser.parse_args()
    with tempfile.TemporaryDirectory() as folder:
        written = write_gallery(folder)
        with sync_playwright() as playwright:
            browser = playwright.chromium.launch(executable_path=args.chromium)
            page = browser.new_page(viewport={"width": 1280, "height": 840})
            page.goto(written.url)
            page.wait_for_selector("html[data-state=ready]", state="attached")
            page.fill("#search", "path")
            page.click("#play")
            page.evaluate("PW.clock.beats = 2.6; PW.clock.dirty = true")
            page.wait_for_timeout(400)
            page.screenshot(path=args.out)
            browser.close()
    print("wrote %s (%d bytes)" % (args.out, os.path.getsize(args.out)))


if __name__ == "__main__":
    main()
