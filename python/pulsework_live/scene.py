"""MVR scenes, read through pymvr: the fixtures of a rig as a venue's plot
describes them.

What is read from a file: every Fixture of every layer, however deep in
group objects, trusses and other fixtures' child lists, with its name,
FixtureID and FixtureIDNumeric, layer, class (Classing, named through the
scene's AUXData classes), GDTFSpec and GDTFMode, the first DMX address
(universe and address; MVR counts universes from 1), DMXInvertPan and
DMXInvertTilt, and its place: its Matrix composed with those of everything
it hangs in, in metres. The GDTF files it names are read from inside the
archive (or, failing that, from beside it) through pulsework_live.fixtures.
"""
import os
import zipfile
from dataclasses import dataclass

from .fixtures import FixtureError, archive_fault, read_fixture_type
from .text import show

MILLIMETRES_PER_METRE = 1000.0
_IDENTITY = ((1.0, 0.0, 0.0), (0.0, 1.0, 0.0), (0.0, 0.0, 1.0), (0.0, 0.0, 0.0))


class SceneError(ValueError):
    """A scene file that cannot be used; the message names the file."""


@dataclass(frozen=True)
class SceneFixture:
    name: str
    layer: str
    class_name: str
    number: int             # FixtureIDNumeric, 0 when the scene gives none
    gdtf: str
    mode: str
    universe: int           # from 1, as MVR counts
    address: int
    position: tuple         # (x, y, z) in metres
    invert_pan: bool = False
    invert_tilt: bool = False


class Scene:
    """The fixtures of an MVR file, and their fixture types on demand."""

    def __init__(self, path, fixtures, archive_names):
        self.path = path
        self.fixtures = fixtures
        self._names = archive_names
        self._types = {}

    @property
    def layers(self):
        return sorted({fixture.layer for fixture in self.fixtures})

    @property
    def classes(self):
        return sorted({fixture.class_name for fixture in self.fixtures if fixture.class_name})

    def fixture_type(self, fixture):
        """The FixtureType of a fixture of the scene (FixtureError naming the
        file inside the scene when it cannot be used)."""
        key = (fixture.gdtf, fixture.mode)
        if key not in self._types:
            label = "%s: %s" % (self.path, fixture.gdtf)
            if fixture.gdtf in self._names:
                with zipfile.ZipFile(self.path) as archive:
                    data = archive.read(fixture.gdtf)
                self._types[key] = read_fixture_type(label, fixture.mode, data)
            else:
                beside = os.path.join(os.path.dirname(self.path), fixture.gdtf)
                if not os.path.isfile(beside):
                    raise FixtureError("%s: no such GDTF file in the scene or beside it" % label)
                self._types[key] = read_fixture_type(beside, fixture.mode, name=label)
        return self._types[key]


def load_scene(path):
    """The Scene of an MVR file."""
    try:
        import pymvr
    except ImportError:
        raise SceneError('%s: MVR scenes need pymvr: python -m pip install "pulsework[live]"'
                         % path) from None
    fault = archive_fault(path, path, "GeneralSceneDescription.xml", "MVR")
    if fault:
        raise SceneError(fault)
    try:
        with zipfile.ZipFile(path) as archive:
            names = set(archive.namelist())
        with pymvr.GeneralSceneDescription(path) as description:
            fixtures = _fixtures(description)
    except Exception as error:  # pymvr raises whatever its parsing meets
        raise SceneError("%s: cannot read the scene: %s"
                         % (path, show(str(error) or type(error).__name__))) from None
    return Scene(path, tuple(fixtures), names)


def _fixtures(description):
    scene = getattr(description, "scene", None)
    if scene is None:
        return []
    classes = {}
    if scene.aux_data is not None:
        classes = {c.uuid: c.name for c in scene.aux_data.classes}
    found = []
    # (node, the layer's name, the matrix of what the node hangs in), walked
    # without recursion: a scene may nest deeply.
    pending = [(layer, layer.name, _IDENTITY) for layer in reversed(list(scene.layers))]
    while pending:
        node, layer, outer = pending.pop()
        place = _compose(outer, _matrix(node))
        if type(node).__name__ == "Fixture":
            found.append(_fixture(node, layer, classes, place))
        children = getattr(node, "child_list", None)
        if children is not None:
            for kind in ("fixtures", "group_objects", "trusses", "supports", "scene_objects",
                         "video_screens", "projectors"):
                for child in reversed(getattr(children, kind, [])):
                    pending.append((child, layer, place))
    found.sort(key=lambda fixture: (fixture.number == 0, fixture.number))
    return found


def _fixture(node, layer, classes, place):
    address = node.addresses.addresses[0] if node.addresses.addresses else None
    return SceneFixture(
        name=node.name or "", layer=layer or "", class_name=classes.get(node.classing, ""),
        number=int(node.fixture_id_numeric or 0), gdtf=node.gdtf_spec or "",
        mode=node.gdtf_mode or "", universe=address.universe if address else 0,
        address=address.address if address else 0,
        position=tuple(value / MILLIMETRES_PER_METRE for value in place[3]),
        invert_pan=bool(node.dmx_invert_pan), invert_tilt=bool(node.dmx_invert_tilt))


def _matrix(node):
    """(u, v, w, o) of a node: its axes and its offset in what it hangs in."""
    matrix = getattr(node, "matrix", None)
    if matrix is None:
        return _IDENTITY
    rows = [tuple(float(value) for value in row[:3]) for row in matrix.matrix]
    return tuple(rows)


def _compose(outer, inner):
    """The matrix of `inner` (given within `outer`) in `outer`'s surroundings."""
    def turn(vector):
        x, y, z = vector
        return tuple(x * outer[0][k] + y * outer[1][k] + z * outer[2][k] for k in range(3))

    offset = turn(inner[3])
    return (turn(inner[0]), turn(inner[1]), turn(inner[2]),
            tuple(outer[3][k] + offset[k] for k in range(3)))
