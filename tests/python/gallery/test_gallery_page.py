"""The data the page embeds, and the page file itself."""
import json
import math
import os
import re

import pytest

from pulsework_gallery import GalleryError, write_gallery
from pulsework_gallery.collect import gallery_data
from pulsework_gallery.encode import SCALE, decode_rows
from pulsework_gallery.page import output_file, render


def embedded(html):
    found = re.search(r'<script type="application/json" id="pw-data">(.*?)</script>', html, re.S)
    return json.loads(found.group(1))


@pytest.fixture(scope="module")
def document(module):
    return gallery_data(module, 120.0)


def test_every_record_in_catalogue_order(module, document):
    records = module.catalogue()
    assert [row[:4] for row in document["patterns"]] == [
        [r["name"], r["description"], r["period_pips"], r["dimensions"]] for r in records]
    assert document["pipsPerBeat"] == 64 and document["tempo"] == 120.0
    assert document["groups"][0] == "built-in"
    assert all(row[6] >= row[3] for row in document["patterns"])


@pytest.mark.parametrize("position", [0, 6, 11, 15, 42, -1])
def test_samples_decode_to_the_module_values(module, document, position):
    name, _text, period, _dims, _group, _family, components, blob = document["patterns"][position]
    rows = decode_rows(blob, components)
    assert len(rows) == period
    for pip, row in enumerate(rows):
        for got, value in zip(row, module.sample(name, pip).as_tuple()):
            assert abs(got - value) <= 0.5 / SCALE + 1e-15


def circle(pip):
    angle = 2 * math.pi * pip / 64
    return (0.5 * math.cos(angle), 0.5 * math.sin(angle), 0.0)


def test_text_cannot_break_out_of_the_page(stub_module):
    hostile = '</script><script>alert(1)</script><!-- & "quotes" \u2028 \u2014'
    record = {"name": "odd_one", "description": hostile, "period_pips": 64, "dimensions": 2}
    module = stub_module([(record, circle)])
    html = render(gallery_data(module, 120.0))
    assert html.count("</script>") == 2
    document = embedded(html)
    assert document["patterns"][0][1] == hostile
    assert document["groups"] == ["built-in"] and document["families"] == ["shape"]


def test_components_that_move_beyond_the_record_are_kept(stub_module):
    module = stub_module([({"name": "leaky", "description": "", "period_pips": 4, "dimensions": 1},
                           lambda pip: (0.5, 0.0, 0.1 * pip))])
    row = gallery_data(module, 120.0)["patterns"][0]
    assert row[3] == 1 and row[6] == 3


def test_a_broken_table_is_named(stub_module):
    module = stub_module([({"name": "broken", "description": "", "period_pips": 4, "dimensions": 1},
                           lambda pip: (math.nan, 0.0, 0.0))])
    with pytest.raises(GalleryError, match="pattern broken: samples must be finite and within"):
        gallery_data(module, 120.0)


@pytest.mark.parametrize("out, expected", [
    ("gallery", os.path.join("gallery", "index.html")),
    ("site/motion.html", os.path.join("site", "motion.html")),
    ("Site/Motion.HTM", os.path.join("Site", "Motion.HTM")),
])
def test_output_file(tmp_path, monkeypatch, out, expected):
    monkeypatch.chdir(tmp_path)
    assert output_file(out) == str(tmp_path / expected)


def test_written_page_is_self_contained(tmp_path, module):
    written = write_gallery(str(tmp_path / "g"), tempo=96)
    html = open(written.path, encoding="utf-8").read()
    assert html.startswith("<!doctype html>")
    assert written.size == os.path.getsize(written.path)
    assert written.url == "file://" + written.path
    assert written.patterns == len(module.catalogue())
    assert embedded(html)["tempo"] == 96
    # Nothing is fetched: no external scripts, styles, fonts or images.
    assert not re.search(r'\b(src|href)="(https?:)?//', html)
    assert "@import" not in html and "url(http" not in html
    assert "/*pw:" not in html


def test_tempo_out_of_range_writes_nothing(tmp_path):
    with pytest.raises(ValueError, match="tempo must be between 20 and 300 BPM"):
        write_gallery(str(tmp_path / "g"), tempo=301)
    assert not (tmp_path / "g").exists()
