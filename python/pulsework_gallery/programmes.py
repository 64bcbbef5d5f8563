"""The drum programmes behind the club and dancefloor packs, as data."""
import json
from importlib import resources
from pathlib import Path
from typing import Any, Dict

FILE_NAME = "grooves.json"


def _document_text() -> str:
    # An installed wheel carries the document inside this package; a
    # development build leaves it in the build tree, under generated/ beside
    # the extension module.
    packaged = resources.files(__package__).joinpath(FILE_NAME)
    if packaged.is_file():
        return packaged.read_text(encoding="utf-8")
    import pulsework

    built = Path(pulsework.__file__).resolve().parent / "generated" / FILE_NAME
    if built.is_file():
        return built.read_text(encoding="utf-8")
    raise FileNotFoundError(
        "%s is written by the build; neither this package nor the build tree of %s has it"
        % (FILE_NAME, pulsework.__file__))


def drum_programmes() -> Dict[str, Any]:
    """The 68 drum programmes, in their numbered order, as one new dict.

    ``{"pips_per_beat": 64, "grooves": [{"name", "label", "period",
    "events": [{"lane", "pip", "velocity"[, "note", "length"]}, ...]}, ...]}``:
    ``name`` is the groove's part of its pattern names (``beat_house_classic``
    in ``beat_house_classic_bounce``), ``period`` its loop in pips. Events are
    sorted by pip and then by lane (kick, snare, clap, rim, closed_hat,
    open_hat, shaker, tom_low, tom_mid, tom_high, bell, clave, conga, perc,
    bass). ``pip`` is an int, or a float for a tuplet position; ``velocity``
    lies in (0, 1]. Only ``bass`` events carry a MIDI ``note`` and a
    ``length`` in pips.
    """
    document: Dict[str, Any] = json.loads(_document_text())
    return document
