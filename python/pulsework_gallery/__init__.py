"""A browsable gallery of pulsework's motion patterns, written as one static HTML page.

    pulsework-gallery [--out DIR_OR_FILE] [--library FILE] [--tempo BPM]

or, from Python, `write_gallery("pulsework-gallery")`. `drum_programmes()` gives
the drum programmes that the club and dancefloor packs are read from.
"""
from .collect import GalleryError
from .gallery import DEFAULT_OUT, DEFAULT_TEMPO, write_gallery
from pulsework_motion.files import PatternFileError as LibraryFileError
from .programmes import drum_programmes

__all__ = ["DEFAULT_OUT", "DEFAULT_TEMPO", "GalleryError", "LibraryFileError", "drum_programmes",
           "write_gallery"]
