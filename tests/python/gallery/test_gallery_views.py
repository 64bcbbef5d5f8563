"""The page as a user drives it: keys, history, small screens, shaping,
taking a pattern away, and comparing patterns."""
import json

import pytest

from pulsework_gallery import write_gallery
from pulsework_gallery.encode import SCALE
from pulsework_motion import read_patterns


def paused(page):
    return not page.evaluate("PW.clock.playing")


def test_shortcuts_work_wherever_focus_is(open_page, gallery_url):
    page = open_page(gallery_url)
    page.click('.card[data-name="helix"]')
    assert page.is_visible("#detail")
    for control in ("#detail-close", "#tab-stagger", "#play", "#tempo-slider", "#desk-size"):
        page.focus(control)
        before = paused(page)
        page.keyboard.press(" ")
        assert page.is_visible("#detail"), control
        assert paused(page) != before, control
    page.focus("#tab-stagger")
    page.evaluate("PW.transport.setPlaying(false); PW.clock.beats = 7.5")
    page.keyboard.press("Home")
    assert page.evaluate("PW.clock.beats") == 0
    assert page.get_attribute("#tab-detail", "aria-selected") == "true"

    page.keyboard.press("/")
    assert page.is_hidden("#detail")
    assert page.evaluate("document.activeElement.id") == "search"
    page.keyboard.type("four /")  # the search box keeps the keys it types with
    assert page.input_value("#search") == "four /"

    page.fill("#search", "")
    page.focus('.card[data-name="sway"]')
    before = paused(page)
    page.keyboard.press(" ")
    assert paused(page) != before and page.is_hidden("#detail")
    page.keyboard.press("Enter")
    assert page.text_content("#detail-name") == "sway"
    page.focus("#stagger-copies" if page.is_visible("#stagger-copies") else "#tempo")
    page.keyboard.press("Escape")
    page.wait_for_function("document.getElementById('detail').hidden")


def test_back_closes_what_was_opened(open_page, gallery_url):
    page = open_page(gallery_url)
    start = page.url
    page.click('.card[data-name="circle"]')
    page.wait_for_function("location.hash.startsWith('#pattern=circle')")
    page.click("#tab-stagger")  # switching tabs rewrites the entry, adds none
    page.go_back()
    page.wait_for_function("document.getElementById('detail').hidden")
    assert page.url.split("#")[0] == start.split("#")[0]
    assert "pattern=" not in page.url
    page.go_forward()
    page.wait_for_function("!document.getElementById('detail').hidden")
    assert page.text_content("#detail-name") == "circle"
    assert page.get_attribute("#tab-stagger", "aria-selected") == "true"

    # Closing steps back too, so Back afterwards leaves as before.
    page.click("#detail-close")
    page.wait_for_function("!location.hash.includes('pattern=')")
    assert page.evaluate("history.state.pw") == "base"

    page.evaluate("location.hash = '#pattern=no_such_pattern'")
    page.wait_for_selector("#notice", state="visible")
    assert "\u201cno_such_pattern\u201d" in page.text_content("#notice-text")
    assert page.is_hidden("#detail")


def test_detail_view_carries_the_transport(open_page, gallery_url):
    page = open_page(gallery_url + "#pattern=helix&view=stagger")
    assert page.eval_on_selector("#tempo", "e => e.closest('#detail') !== null")
    page.fill("#tempo", "90")
    page.wait_for_function("PW.clock.bpm === 90")
    now = "() => { PW.clock.tick(); return [PW.clock.beats, performance.now()]; }"
    beats, ms = page.evaluate(now)
    page.wait_for_timeout(400)
    later_beats, later_ms = page.evaluate(now)
    assert (later_beats - beats) / (later_ms - ms) * 60000 == pytest.approx(90, rel=0.05)
    page.click("#play")
    assert paused(page)
    page.keyboard.press("Escape")
    page.wait_for_function("document.getElementById('detail').hidden")
    assert page.eval_on_selector("#tempo", "e => e.closest('.topbar') !== null")


@pytest.mark.parametrize("address", ["", "#pattern=vorn_background",
                                     "#pattern=helix&view=stagger&copies=12",
                                     "#compare=helix,sway,euclid_3_7,box_step"])
def test_nothing_overflows_at_phone_width(open_page, gallery_url, address):
    page = open_page(gallery_url + address, viewport={"width": 390, "height": 844})
    page.wait_for_timeout(100)
    widths = page.evaluate("""() => {
        const overlay = [...document.querySelectorAll('.overlay')].find(o => !o.hidden);
        const clock = document.getElementById('clock').getBoundingClientRect();
        return [document.documentElement.scrollWidth,
                overlay ? overlay.scrollWidth : 0, Math.ceil(clock.right)];
    }""")
    assert max(widths) <= 390, widths


def test_one_axis_patterns_show_their_value_against_time(open_page, gallery_url):
    page = open_page(gallery_url)
    kinds = page.evaluate("""names => names.map(name => {
        const p = PW.byName[name]; PW.table(p); return p.axis; })""",
                          ["bounce", "sway", "lfo_breathe", "circle", "helix"])
    assert kinds == [0, 0, 0, -1, -1]
    page.click('.card[data-name="sway"]')
    assert page.evaluate("PW.detail.pattern().axis") == 0


def test_family_members_are_told_apart(open_page, gallery_url, records):
    page = open_page(gallery_url)
    description = next(r["description"] for r in records if r["name"] == "euclid_3_7")
    family = [r["name"] for r in records if r["description"] == description]
    variants = page.evaluate("names => names.map(n => PW.byName[n].card.querySelector('.variant')"
                             ".textContent)", family)
    assert variants[family.index("euclid_3_7")] == "3 \u00b7 7"
    assert len(set(variants)) == len(family)
    tints = page.evaluate("names => names.map(n => PW.tint(PW.byName[n]).join())", family)
    assert len(set(tints)) == len(family)
    assert page.evaluate("PW.tint(PW.byName.helix)") is None


@pytest.mark.parametrize("form", ["csv", "json"])
def test_downloaded_rows_load_back_unchanged(open_page, tmp_path, user_patterns, form):
    gallery = write_gallery(str(tmp_path / "g"))
    page = open_page(gallery.url + "#pattern=path_torus_knot")
    with page.expect_download() as download:
        page.click("#download-" + form)
    path = tmp_path / download.value.suggested_filename
    download.value.save_as(str(path))
    assert path.name == "my_path_torus_knot." + form
    page_rows = page.evaluate("""() => {
        const p = PW.byName.path_torus_knot, t = PW.table(p), rows = [];
        for (let i = 0; i < p.period; i++) {
            rows.push([0, 1, 2].map(c => Math.round(t[i * 3 + c] * 32767)));
        }
        return rows; }""")

    (pattern,) = read_patterns(str(path))
    assert pattern.name == "my_path_torus_knot"
    assert pattern.description == user_patterns.catalogue()[
        [r["name"] for r in user_patterns.catalogue()].index("path_torus_knot")]["description"]
    rows = [pattern.sample(pip).as_tuple() for pip in range(pattern.period_pips)]
    assert rows == [tuple(q / SCALE for q in row) for row in page_rows]

    again = write_gallery(str(tmp_path / "again"), library=str(path))
    html = open(again.path, encoding="utf-8").read()
    document = json.loads(html.split('id="pw-data">')[1].split("</script>")[0])
    mine = next(row for row in document["patterns"] if row[0] == "my_path_torus_knot")
    original = next(row for row in document["patterns"] if row[0] == "path_torus_knot")
    assert mine[6:] == original[6:]


def test_compare_pins_and_shows_side_by_side(open_page, gallery_url):
    page = open_page(gallery_url)
    for name in ("helix", "sway", "circle"):
        page.click('.card[data-name="%s"] button.pin' % name)
    page.click('.card[data-name="sway"] button.pin')  # unpinned again
    assert page.is_visible("#tray")
    page.click("#compare-open")
    page.wait_for_function("location.hash.startsWith('#compare=helix,circle')")
    assert page.eval_on_selector_all(".compare-panel", "ps => ps.map(p => p.dataset.name)") == [
        "helix", "circle"]
    assert page.eval_on_selector("#play", "e => e.closest('#compare') !== null")
    page.click("#play")
    page.evaluate("PW.clock.beats = 2.5; PW.clock.dirty = true")
    page.wait_for_timeout(100)
    beats = page.eval_on_selector_all(".compare-panel .beat", "bs => bs.map(b => b.textContent)")
    assert beats == ["3/4", "1/1"]
    page.go_back()
    page.wait_for_function("document.getElementById('compare').hidden")
    pins = ["bounce", "sway", "circle", "figure_eight", "helix"]
    for name in pins:
        if not page.evaluate("n => PW.compare.isPinned(PW.byName[n])", name):
            page.click('.card[data-name="%s"] button.pin' % name)
    assert len(page.evaluate("PW.compare.pinned()")) == 4
    assert "up to four" in page.text_content("#notice-text")
