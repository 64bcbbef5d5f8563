"""Writing the gallery: gather, encode, render and write in one step."""
import pulsework

from .collect import gallery_data
from .library_file import build_library
from .page import output_file, render, write_page

DEFAULT_OUT = "pulsework-gallery"
DEFAULT_TEMPO = 120.0
MIN_TEMPO, MAX_TEMPO = 20.0, 300.0


class Written:
    """What write_gallery wrote: the file, its size and what it holds."""

    def __init__(self, path, size, patterns, library_patterns, library_copies):
        self.path = path
        self.size = size
        self.patterns = patterns
        self.library_patterns = library_patterns
        # Names of library patterns that were exact copies of defaults.
        self.library_copies = library_copies

    @property
    def url(self):
        from pathlib import Path

        return Path(self.path).as_uri()


def write_gallery(out=DEFAULT_OUT, library=None, tempo=DEFAULT_TEMPO, module=pulsework):
    """Write the gallery page to `out` (a folder, or a file ending in .html).

    `library` is the path of a JSON or CSV file of user patterns, shown after
    the defaults; `tempo` is the page's starting tempo in beats per minute.
    Nothing is written when the library file or the tempo is refused.
    """
    if not MIN_TEMPO <= tempo <= MAX_TEMPO:
        raise ValueError("tempo must be between %g and %g BPM" % (MIN_TEMPO, MAX_TEMPO))
    own, copies = [], []
    if library is not None:
        _library, own, copies = build_library(module, library)
    document = gallery_data(module, tempo, own)
    path = output_file(out)
    size = write_page(path, render(document))
    return Written(path, size, len(document["patterns"]), len(own), copies)
