"""The gallery page in a real browser: cards, search, detail and stagger views."""
import json
import math

import pytest

from pulsework_gallery import write_gallery

def visible_names(page):
    return page.eval_on_selector_all(".card:not([hidden])",
                                     "cards => cards.map(c => c.dataset.name)")


def test_one_card_per_record(open_page, gallery_url, records):
    page = open_page(gallery_url)
    names = page.eval_on_selector_all(".card", "cards => cards.map(c => c.dataset.name)")
    assert names == [r["name"] for r in records]
    assert page.text_content("#count") == "%d patterns" % len(records)
    first = page.locator(".card").first
    assert first.locator(".meta").text_content() == "1 beat \u00b7 1D \u00b7 built-in \u00b7 shape"
    assert first.locator(".desc").text_content() == records[0]["description"]


def matches(record, words):
    name = record["name"]
    haystack = " ".join([name, name.replace("_", " "), record["description"]]).lower()
    return all(word in haystack for word in words)


def test_search_and_filters_narrow_the_list(open_page, gallery_url, records):
    page = open_page(gallery_url)
    total = len(records)

    def expect(predicate):
        expected = [r["name"] for r in records if predicate(r)]
        assert visible_names(page) == expected
        shown = len(expected)
        assert page.text_content("#count") == (
            "%d patterns" % total if shown == total
            else "Showing %d of %d patterns" % (shown, total))
        return expected

    page.fill("#search", "Paradiddle")
    assert len(expect(lambda r: matches(r, ["paradiddle"]))) >= 3
    page.fill("#search", "four-beat  drift")
    assert expect(lambda r: matches(r, ["four-beat", "drift"])) == ["vorn_background"]
    page.fill("#search", "")

    has_atlas = any(r["group"] == "atlas" for r in records)
    page.select_option("#filter-group", "atlas" if has_atlas else "initial")
    group = page.eval_on_selector("#filter-group", "s => s.value")
    expect(lambda r: r["group"] == group)
    families = page.eval_on_selector_all("#filter-family option",
                                         "os => os.map(o => o.value).filter(Boolean)")
    assert families == sorted(set(r["family"] for r in records if r["group"] == group))
    page.select_option("#filter-family", families[0])
    expect(lambda r: r["group"] == group and r["family"] == families[0])

    page.click("#clear")
    expect(lambda r: True)
    page.select_option("#filter-period", "256")
    page.select_option("#filter-dims", "2")
    expect(lambda r: r["period_pips"] == 256 and r["dimensions"] == 2)
    page.fill("#search", "no pattern says this")
    expect(lambda r: False)
    assert page.is_visible("#empty")
    page.click("#clear-empty")
    expect(lambda r: True)


MARKER_CENTROID = """name => {
    const canvas = document.querySelector(`.card[data-name="${name}"] canvas.live`);
    if (!canvas) return null;
    const height = Math.floor(canvas.height * 160 / 206);
    const data = canvas.getContext("2d").getImageData(0, 0, canvas.width, height).data;
    let sx = 0, sy = 0, n = 0;
    for (let i = 0; i < data.length; i += 4) {
        // The marker's solid core: opaque, of the accent colour (255, 179, 71).
        if (data[i + 3] > 240 && data[i] > 235 && Math.abs(data[i + 1] - 179) < 25
            && data[i + 2] < 110) {
            const p = i / 4; sx += p % canvas.width; sy += Math.floor(p / canvas.width); n++;
        }
    }
    return n ? [sx / n, sy / n] : null;
}"""


def test_markers_move_on_one_shared_clock(open_page, gallery_url):
    page = open_page(gallery_url)
    page.locator('.card[data-name="circle"]').scroll_into_view_if_needed()
    page.wait_for_selector('.card[data-name="circle"] canvas.live', state="attached")
    page.wait_for_timeout(100)
    first = page.evaluate(MARKER_CENTROID, "circle")
    page.wait_for_timeout(200)
    second = page.evaluate(MARKER_CENTROID, "circle")
    assert first and second
    assert math.dist(first, second) > 3

    page.click("#play")
    page.wait_for_timeout(100)
    paused = page.evaluate(MARKER_CENTROID, "circle")
    page.wait_for_timeout(200)
    assert page.evaluate(MARKER_CENTROID, "circle") == paused
    beats = page.evaluate("PW.clock.beats")
    for name, period in (("bounce", 64), ("sway", 128), ("box_step", 256), ("helix", 256)):
        counter = page.locator('.card[data-name="%s"] .beat' % name).text_content()
        beat = int(beats * 64 % period // 64) + 1
        assert counter == "%d/%d" % (beat, period // 64)


@pytest.mark.parametrize("name", ["bounce", "helix", "rhythm_group_223", "path_torus_knot"])
def test_detail_plot_has_one_line_per_beat(open_page, gallery_url, records, name):
    record = next(r for r in records if r["name"] == name)
    page = open_page(gallery_url)
    page.click('.card[data-name="%s"]' % name)
    assert page.text_content("#detail-name") == name
    lines = page.eval_on_selector_all(
        "#detail-plot .beat-line",
        "ls => ls.map(l => [Number(l.getAttribute('x1')), l.classList.contains('bar-line')])")
    beats = math.ceil(record["period_pips"] / 64)
    assert len(lines) == beats
    assert [bar for _x, bar in lines] == [beat % 4 == 0 for beat in range(beats)]
    steps = [b[0] - a[0] for a, b in zip(lines, lines[1:])]
    assert all(abs(step - steps[0]) < 0.02 for step in steps)
    assert page.eval_on_selector_all("#detail-plot .curve", "cs => cs.length") == 3


def test_detail_link_keeps_pattern_and_tempo(open_page, gallery_url):
    page = open_page(gallery_url)
    page.click('.card[data-name="helix"]')
    assert page.evaluate("location.hash") == "#pattern=helix&bpm=120"
    page.fill("#tempo", "90")
    page.wait_for_function("location.hash === '#pattern=helix&bpm=90'")
    link = page.get_attribute("#permalink", "href")
    assert link.endswith("#pattern=helix&bpm=90")
    page.keyboard.press("Escape")
    assert page.is_hidden("#detail")
    page.wait_for_function("location.hash === '#bpm=90'")

    again = open_page(link)
    assert again.is_visible("#detail")
    assert again.text_content("#detail-name") == "helix"
    assert again.input_value("#tempo") == "90"
    assert again.evaluate("PW.clock.bpm") == 90


def stagger_offsets(page):
    return page.eval_on_selector_all(".stagger-offset",
                                     "os => os.map(o => Number(o.dataset.offset))")


def test_stagger_spreads_copies_over_the_period(open_page, gallery_url):
    page = open_page(gallery_url + "#pattern=sway&view=stagger&copies=4")
    assert page.get_attribute("#tab-stagger", "aria-selected") == "true"
    offsets = stagger_offsets(page)
    assert offsets == [0, 32, 64, 96]
    page.fill("#stagger-copies", "6")
    page.dispatch_event("#stagger-copies", "change")
    offsets = stagger_offsets(page)
    assert offsets == [round(i * 128 / 6) for i in range(6)]
    assert page.evaluate("location.hash") == "#pattern=sway&view=stagger&copies=6&bpm=120"
    page.click("#tab-detail")
    assert page.is_visible("#view-detail") and page.is_hidden("#view-stagger")


def test_library_patterns_have_their_own_group(open_page, tmp_path, user_patterns):
    samples = [[0.6 * math.cos(2 * math.pi * i / 96), 0.6 * math.sin(2 * math.pi * i / 96), 0.0]
               for i in range(96)]
    library = tmp_path / "mine.json"
    library.write_text(json.dumps([{"name": "my_orbit", "description": "A ring of my own",
                                    "samples": samples}]))
    written = write_gallery(str(tmp_path / "g"), library=str(library))
    page = open_page(written.url)
    page.select_option("#filter-group", "library")
    assert visible_names(page) == ["my_orbit"]
    assert page.text_content('.card[data-name="my_orbit"] .meta') == \
        "1.5 beats \u00b7 2D \u00b7 library \u00b7 my"
