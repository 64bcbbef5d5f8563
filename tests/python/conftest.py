import os
import sys

import pytest

# The installed companions when there are (CI installs the wheel); else the
# source tree, for the quick development loop with PYTHONPATH=build/dev.
try:
    import pulsework_motion  # noqa: F401
except ImportError:
    sys.path.insert(0, os.path.abspath(os.path.join(os.path.dirname(__file__), "..", "..",
                                                    "python")))

INT_MIN = -(2**31)
INT_MAX = 2**31 - 1


def pips_around(period):
    """Every pip of one period, negative and far cycles, and the int ends."""
    pips = list(range(period))
    pips += [p - period for p in range(period)]
    pips += [p - 7 * period for p in range(0, period, 3)]
    pips += [p + 1000 * period for p in range(0, period, 5)]
    pips += [INT_MIN, INT_MIN + 1, INT_MIN + 63, INT_MAX, INT_MAX - 1, INT_MAX - 64]
    return pips


class Index:
    """An integer-like object: converts through __index__."""

    def __init__(self, value):
        self.value = value

    def __index__(self):
        return self.value


class IntOnly:
    """A number with __int__ but no __index__: only implicit conversion takes it."""

    def __int__(self):
        return 5


@pytest.fixture(scope="session")
def module():
    import pulsework

    return pulsework


@pytest.fixture(scope="session")
def table(module):
    """rows(name): a default pattern's rows over one period, read through sample()."""
    periods = {r["name"]: r["period_pips"] for r in module.catalogue()}
    cache = {}

    def rows(name):
        if name not in cache:
            cache[name] = [module.sample(name, i).as_tuple() for i in range(periods[name])]
        return cache[name]

    return rows


# The page in a real browser: headless Chromium driven by Playwright.
# Chromium is Debian's (/usr/bin/chromium, or PULSEWORK_CHROMIUM); Playwright
# never downloads a browser here. Without Chromium or Playwright the browser
# tests skip, unless PULSEWORK_REQUIRE_BROWSER=1 (as in CI), where they fail.
CHROMIUM = os.environ.get("PULSEWORK_CHROMIUM", "/usr/bin/chromium")
REQUIRED = os.environ.get("PULSEWORK_REQUIRE_BROWSER") == "1"


def unavailable(reason):
    if REQUIRED:
        pytest.fail(reason + ", and PULSEWORK_REQUIRE_BROWSER=1 requires the browser tests")
    pytest.skip(reason)


@pytest.fixture(scope="session")
def browser():
    try:
        from playwright.sync_api import sync_playwright
    except ImportError:
        unavailable("Playwright for Python is not installed (python -m pip install '.[test]')")
    if not os.path.exists(CHROMIUM):
        unavailable("no Chromium at %s (apt-get install chromium)" % CHROMIUM)
    # The suite may run under a sanitizer runtime preloaded into Python; the
    # browser and Playwright's driver are not part of what it checks.
    preload = os.environ.pop("LD_PRELOAD", None)
    try:
        playwright = sync_playwright().start()
    finally:
        if preload is not None:
            os.environ["LD_PRELOAD"] = preload
    try:
        launched = playwright.chromium.launch(executable_path=CHROMIUM)
        yield launched
        launched.close()
    finally:
        playwright.stop()


@pytest.fixture
def open_page(browser):
    """open_page(url, **new_page_options) -> a ready page; any console error or page
    error fails the test."""
    pages, errors = [], []

    def opener(url, **options):
        options.setdefault("viewport", {"width": 1280, "height": 900})
        page = browser.new_page(**options)
        page.on("console", lambda m: errors.append(m.text) if m.type == "error" else None)
        page.on("pageerror", lambda e: errors.append(str(e)))
        page.goto(url)
        page.wait_for_selector("html[data-state=ready]", state="attached", timeout=20000)
        pages.append(page)
        return page

    yield opener
    for page in pages:
        page.close()
    assert errors == []
