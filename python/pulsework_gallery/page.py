"""The page: the HTML template with its style, script and data inlined.

Everything the page needs is in the one file, so it works from file:// with
no network. The script is kept as several small files (one idea each),
joined in the order of SCRIPTS.
"""
import json
import os
from importlib import resources
from typing import Any

from pulsework_motion.files import write_whole

SCRIPTS = (
    "util.js",
    "data.js",
    "draw.js",
    "clock.js",
    "shaping.js",
    "desk.js",
    "cards.js",
    "filters.js",
    "transport.js",
    "detail.js",
    "stagger.js",
    "takeaway.js",
    "compare.js",
    "audio.js",
    "sound.js",
    "song.js",
    "main.js",
)
DEFAULT_FILE = "index.html"


def _template(*parts: str) -> str:
    resource = resources.files(__package__).joinpath("templates")
    for part in parts:
        resource = resource.joinpath(part)
    return resource.read_text(encoding="utf-8")


def _json_for_script(document: Any) -> str:
    # "<" only ever occurs inside JSON strings, where \u003c means the same:
    # no text in the data can close the script element or open a comment.
    return json.dumps(document, separators=(",", ":")).replace("<", "\\u003c")


def render(document: Any) -> str:
    script = "\n".join(_template("js", name) for name in SCRIPTS)
    html = _template("index.html")
    for marker, text in (("/*pw:style*/", _template("gallery.css")),
                         ("/*pw:script*/", script),
                         ("/*pw:data*/", _json_for_script(document))):
        if html.count(marker) != 1:
            raise RuntimeError("page template: marker %s must occur once" % marker)
        head, tail = html.split(marker)
        html = head + text + tail
    return html


def output_file(out: str) -> str:
    """The file to write: `out` itself if it names an .html file, else out/index.html."""
    if out.lower().endswith((".html", ".htm")):
        return os.path.abspath(out)
    return os.path.abspath(os.path.join(out, DEFAULT_FILE))


def write_page(path: str, html: str) -> int:
    """Write the page whole or not at all: a failed write leaves any older page as it was."""
    os.makedirs(os.path.dirname(path), exist_ok=True)
    write_whole(path, html)
    return os.path.getsize(path)
