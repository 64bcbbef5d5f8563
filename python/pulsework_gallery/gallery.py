"""Writing the gallery: gather, encode, render and write in one step."""
import functools
import os
from typing import Any, Callable, Dict, List, Optional, Tuple, Union

import pulsework
from pulsework_motion.files import (PathLike, PatternFileError, own_patterns, read_patterns,
                                    save_patterns)

from .collect import GalleryError, gallery_data
from .page import output_file, render, write_page
from .programmes import drum_programmes

DEFAULT_OUT = "pulsework-gallery"
# A PatternLibrary given as such is saved beside the page under this name.
SAVED_LIBRARY = "library.json"
DEFAULT_TEMPO = 120.0
MIN_TEMPO, MAX_TEMPO = 20.0, 300.0


class Written:
    """What write_gallery wrote: the file, its size and what it holds."""

    def __init__(self, path: str, size: int, patterns: int, library_patterns: int,
                 library_copies: List[str], midi_files: Optional[Dict[str, str]] = None) -> None:
        self.path = path
        self.size = size
        self.patterns = patterns
        self.library_patterns = library_patterns
        # Names of library patterns that were exact copies of defaults.
        self.library_copies = library_copies
        # {groove name: path} of the MIDI files written beside the page.
        self.midi_files = midi_files or {}

    @property
    def url(self) -> str:
        from pathlib import Path

        return Path(self.path).as_uri()


def _programmes() -> Dict[str, Any]:
    try:
        return drum_programmes()
    except (OSError, ValueError) as error:
        raise GalleryError("cannot read the drum programmes: %s" % error) from None


# A library pattern as the page takes it: its catalogue record and its
# sampler, pip to Offset3.
OwnPattern = Tuple[Dict[str, Any], Callable[[int], Any]]


def library_patterns(module: Any, library: Union[PathLike, Any]) -> Tuple[List[OwnPattern],
                                                                          List[str]]:
    """(own, copies) of a pattern file or a PatternLibrary: own lists the
    library's own patterns (catalogue record, sampler) in its catalogue
    order; copies names the patterns of a file that are exact copies of
    default patterns, which the library accepts and leaves to the defaults.
    """
    if not hasattr(module, "SampledPattern") or not hasattr(module, "PatternLibrary"):
        where = "" if hasattr(library, "catalogue") else "%s: " % os.fspath(library)
        raise PatternFileError("%sthis build of pulsework has no user patterns "
                               "(SampledPattern, PatternLibrary)" % where)
    if isinstance(library, module.PatternLibrary):
        built: List[Any] = []
    else:
        built = read_patterns(library, module)
        try:
            library = module.PatternLibrary(built)
        except (ValueError, TypeError) as error:
            raise PatternFileError("%s: %s" % (os.fspath(library), error)) from None
    own: List[OwnPattern] = [(record, functools.partial(library.sample, record["name"]))
                             for record in own_patterns(library, module)]
    kept = set(record["name"] for record, _sample in own)
    return own, [pattern.name for pattern in built if pattern.name not in kept]


SONG_FOLDER = "song"


def song_data(page: str, audio: str, beat_map: Any) -> Dict[str, Any]:
    """Copy the song beside the page; what the page needs of it: its file,
    name and each beat's [seconds, pip] (see song.js)."""
    import shutil

    folder = os.path.join(os.path.dirname(page), SONG_FOLDER)
    os.makedirs(folder, exist_ok=True)
    name = os.path.basename(audio)
    target = os.path.join(folder, name)
    if not (os.path.exists(target) and os.path.samefile(audio, target)):
        shutil.copyfile(audio, target)
    return {"audio": "%s/%s" % (SONG_FOLDER, name), "name": name,
            "beats": [[round(b.time, 6), beat_map.pip_of(i)]
                      for i, b in enumerate(beat_map.beats)]}


def write_gallery(out: str = DEFAULT_OUT, library: Union[PathLike, Any, None] = None,
                  tempo: float = DEFAULT_TEMPO, module: Any = pulsework,
                  midi: bool = False, song: Optional[Tuple[str, Any]] = None) -> Written:
    """Write the gallery page to `out` (a folder, or a file ending in .html).

    `library` is a JSON or CSV file of user patterns (its path), or a
    PatternLibrary, whose own patterns are shown after the defaults (a
    library is saved beside the page as library.json, the file the page's
    code for its patterns loads); `tempo` is the page's starting tempo in
    beats per minute.
    With `midi`, each groove's drum programme is also written as a Standard
    MIDI File at that tempo, into midi/ beside the page, which links them.
    With `song`, (audio file, its pulsework_motion BeatMap), the audio is
    copied into song/ beside the page, which plays it and follows its map.
    Nothing is written when the library file or the tempo is refused.
    """
    if not MIN_TEMPO <= tempo <= MAX_TEMPO:
        raise ValueError("tempo must be between %g and %g BPM" % (MIN_TEMPO, MAX_TEMPO))
    own: List[OwnPattern] = []
    copies: List[str] = []
    if library is not None:
        own, copies = library_patterns(module, library)
    programmes = _programmes()
    path = output_file(out)
    midi_files: Dict[str, str] = {}
    links: Dict[str, str] = {}
    if midi:
        from .midi import FOLDER, write_midi_files

        folder = os.path.join(os.path.dirname(path), FOLDER)
        midi_files = write_midi_files(folder, programmes, tempo)
        links = {name: "%s/%s" % (FOLDER, os.path.basename(file))
                 for name, file in midi_files.items()}
    # The page's code loads the library by its file's name, from where it is run.
    library_file: Optional[str] = None
    given_as_file = isinstance(library, (str, os.PathLike))
    if isinstance(library, (str, os.PathLike)):
        library_file = os.path.basename(os.fspath(library))
    elif library is not None:
        library_file = SAVED_LIBRARY
    document = gallery_data(module, tempo, own, programmes, links, library_file)
    if song is not None:
        document["song"] = song_data(path, *song)
    size = write_page(path, render(document))
    if library is not None and not given_as_file:
        save_patterns(os.path.join(os.path.dirname(path), SAVED_LIBRARY), library, module)
    return Written(path, size, len(document["patterns"]), len(own), copies, midi_files)
