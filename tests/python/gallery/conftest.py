import os

import pytest

from pulsework_gallery import write_gallery  # noqa: E402
from pulsework_gallery.packs import default_groups, family  # noqa: E402


def has_user_patterns(module):
    return hasattr(module, "SampledPattern") and hasattr(module, "PatternLibrary")


@pytest.fixture(scope="session")
def user_patterns(module):
    """The module, when it has SampledPattern and PatternLibrary; else the test is skipped."""
    if not has_user_patterns(module):
        pytest.skip("this pulsework build has no SampledPattern/PatternLibrary yet")
    return module


class StubModule:
    """A module-shaped catalogue of given records, each sampled by a function."""

    PIPS_PER_BEAT = 64

    def __init__(self, entries):
        self._entries = entries  # list of (record, function of pip -> (x, y, z))

    def catalogue(self):
        return [dict(record) for record, _rows in self._entries]

    def sample(self, name, pip):
        for record, rows in self._entries:
            if record["name"] == name:
                return _Offset(rows(pip % record["period_pips"]))
        raise ValueError("Unknown pulsework: " + name)


class _Offset:
    def __init__(self, xyz):
        self._xyz = tuple(float(v) for v in xyz)

    def as_tuple(self):
        return self._xyz


@pytest.fixture
def stub_module():
    return StubModule


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


@pytest.fixture(scope="session")
def gallery_url(tmp_path_factory):
    return write_gallery(str(tmp_path_factory.mktemp("gallery"))).url


@pytest.fixture(scope="session")
def records(module):
    records = module.catalogue()
    for position, (record, group) in enumerate(zip(records, default_groups(len(records)))):
        record["group"] = group
        record["family"] = family(record["name"], position, group)
    return records


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


