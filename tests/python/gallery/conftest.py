
import pytest

from pulsework_gallery import write_gallery  # noqa: E402
from pulsework_gallery.packs import default_groups, family  # noqa: E402


def has_user_patterns(module):
    return hasattr(module, "SampledPattern") and hasattr(module, "PatternLibrary")


@pytest.fixture(scope="session")
def user_patterns(module):
    """The module, when it has SampledPattern and PatternLibrary; else the test is skipped."""
    if not has_user_patterns(module):
        pytest.skip("this pulsework build has no SampledPattern/PatternLibrary yet")
    return module


class StubModule:
    """A module-shaped catalogue of given records, each sampled by a function."""

    PIPS_PER_BEAT = 64

    def __init__(self, entries):
        self._entries = entries  # list of (record, function of pip -> (x, y, z))

    def catalogue(self):
        return [dict(record) for record, _rows in self._entries]

    def sample(self, name, pip):
        for record, rows in self._entries:
            if record["name"] == name:
                return _Offset(rows(pip % record["period_pips"]))
        raise ValueError("Unknown pulsework: " + name)


class _Offset:
    def __init__(self, xyz):
        self._xyz = tuple(float(v) for v in xyz)

    def as_tuple(self):
        return self._xyz


@pytest.fixture
def stub_module():
    return StubModule


@pytest.fixture(scope="session")
def gallery_url(tmp_path_factory):
    return write_gallery(str(tmp_path_factory.mktemp("gallery"))).url


@pytest.fixture(scope="session")
def records(module):
    records = module.catalogue()
    for position, (record, group) in enumerate(zip(records, default_groups(len(records)))):
        record["group"] = group
        record["family"] = family(record["name"], position, group)
    return records
