"""Coverage-guided fuzzing of every entry point with atheris (libFuzzer).

    python tests/fuzz/fuzz_entry_points.py -atheris_runs=200000 [corpus_dir]

Each input picks an entry point and builds its arguments from the fuzzer's
bytes: names as str (any code point, lone surrogates included), bytes or
bytearray; pips as ints of any size, bools, floats, or objects with
__index__ or __int__; sample rows of any width, of floats, ints or other
things, in lists, tuples or generators that may raise partway; pattern
lists with repeats and copies of defaults. A call may return, or raise
TypeError, ValueError, UnicodeDecodeError (a description read back from
bytes) or the caller's own exception; anything else, a wrong row read back,
or a crash fails the run.

Coverage of the extension's own code needs it built by clang with the
fuzzer's instrumentation, and atheris's sanitizer runtime preloaded:

    CXX=clang++ cmake -S . -B build/fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
        "-DCMAKE_CXX_FLAGS=-fsanitize=address,fuzzer-no-link -fno-omit-frame-pointer" \
        -Dpybind11_DIR=$(python -m pybind11 --cmakedir)
    ninja -C build/fuzz
    LD_PRELOAD=$(python -c "import atheris; print(atheris.path())")/asan_with_fuzzer.so \
        PYTHONMALLOC=malloc ASAN_OPTIONS=detect_leaks=0 PYTHONPATH=build/fuzz \
        python tests/fuzz/fuzz_entry_points.py -atheris_runs=200000
"""
import math
import struct
import sys

import atheris

with atheris.instrument_imports():
    import pulsework

DEFAULTS = [record["name"] for record in pulsework.catalogue()]
RUDIMENTS = [getattr(pulsework, name) for name in DEFAULTS[:15]]
EXPECTED = (TypeError, ValueError, UnicodeDecodeError)


class Boom(Exception):
    pass


class Index:
    def __init__(self, value):
        self.value = value

    def __index__(self):
        if self.value is None:
            raise Boom
        return self.value


class IntOnly:
    def __init__(self, value):
        self.value = value

    def __int__(self):
        return self.value


def name(data):
    kind = data.ConsumeIntInRange(0, 4)
    if kind == 0:
        return DEFAULTS[data.ConsumeIntInRange(0, len(DEFAULTS) - 1)]
    if kind == 1:
        return data.ConsumeUnicode(data.ConsumeIntInRange(0, 48))
    if kind == 2:
        return data.ConsumeBytes(data.ConsumeIntInRange(0, 48))
    if kind == 3:
        return bytearray(data.ConsumeBytes(data.ConsumeIntInRange(0, 48)))
    return data.ConsumeUnicodeNoSurrogates(data.ConsumeIntInRange(0, 12)).lower()


def pip(data):
    kind = data.ConsumeIntInRange(0, 6)
    value = data.ConsumeInt(data.ConsumeIntInRange(1, 9))
    return (value, value, bool(value & 1), Index(value), IntOnly(value), Index(None),
            float(value))[kind]


def number(data):
    kind = data.ConsumeIntInRange(0, 5)
    if kind <= 2:
        return data.ConsumeRegularFloat() if kind else data.ConsumeProbability() * 2 - 1
    if kind == 3:
        return data.ConsumeFloat()  # NaN, infinities, signed zeros
    if kind == 4:
        return data.ConsumeInt(2)
    return ("0.5", None, [0.0], Index(1))[data.ConsumeIntInRange(0, 3)]


def rows(data):
    count = data.ConsumeIntInRange(0, 12)
    made = [[number(data) for _ in range(3 if data.ConsumeBool() else data.ConsumeIntInRange(0, 5))]
            for _ in range(count)]
    kind = data.ConsumeIntInRange(0, 4)
    if kind == 0:
        return made, made
    if kind == 1:
        return tuple(tuple(r) for r in made), made
    if kind == 2:
        return (r for r in made), made
    if kind == 3:
        fail = data.ConsumeIntInRange(0, count)

        def failing():
            for i, r in enumerate(made):
                if i == fail:
                    raise Boom
                yield r
        return failing(), None
    return [[0.25, 0.0, -0.0]] * data.ConsumeIntInRange(65530, 65540), None


def bits(row):
    return struct.pack("<3d", *row)


def check_pattern(pattern, made):
    if made is None:
        return
    assert pattern.period_pips == len(made)
    for i, r in enumerate(made):
        assert bits(pattern.sample(i).as_tuple()) == bits(tuple(float(v) for v in r))


@atheris.instrument_func
def one_input(raw):
    data = atheris.FuzzedDataProvider(raw)
    entry = data.ConsumeIntInRange(0, 6)
    try:
        if entry == 0:
            pulsework.sample(name(data), pip(data))
        elif entry == 1:
            RUDIMENTS[data.ConsumeIntInRange(0, 14)](pip(data))
        elif entry == 2:
            pulsework.PatternLibrary().sample(name(data), pip(data))
        elif entry in (3, 4):
            given, made = rows(data)
            pattern = pulsework.SampledPattern(name(data), name(data), given)
            check_pattern(pattern, made)
            pattern.sample(pip(data))
            (pattern.name, pattern.period_pips)
            if entry == 4:
                library = pulsework.PatternLibrary([pattern] * data.ConsumeIntInRange(1, 2))
                library.sample(pattern.name, pip(data))
                library.catalogue()
        elif entry == 5:
            pool = [pulsework.SampledPattern("p%d" % i, "", [[0.0, 0.0, 0.5]] * (i + 1)) for i in range(3)]
            chosen = [pool[data.ConsumeIntInRange(0, 2)] for _ in range(data.ConsumeIntInRange(0, 6))]
            pulsework.PatternLibrary(chosen).sample(name(data), pip(data))
        else:
            assert len(pulsework.catalogue()) == len(DEFAULTS)
    except EXPECTED + (Boom,):
        pass


def main():
    atheris.Setup(sys.argv, one_input)
    atheris.Fuzz()


if __name__ == "__main__":
    main()
