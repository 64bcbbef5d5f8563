"""A browsable gallery of pulsework's motion patterns, written as one static HTML page.

    pulsework-gallery [--out DIR_OR_FILE] [--library FILE] [--tempo BPM]

or, from Python, `write_gallery("pulsework-gallery")`.
"""
from .collect import GalleryError
from .gallery import DEFAULT_OUT, DEFAULT_TEMPO, write_gallery
from .library_file import LibraryFileError

__all__ = ["DEFAULT_OUT", "DEFAULT_TEMPO", "GalleryError", "LibraryFileError", "write_gallery"]
