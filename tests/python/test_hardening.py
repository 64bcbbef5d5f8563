"""Hostile inputs, each run in a child process: a crash fails the test, not the run."""
import subprocess
import sys
import textwrap

from children import environment


def run(code):
    """Runs `code` in a fresh interpreter that imports pulsework as this one
    does; returns its output, after checking that it ended normally."""
    done = subprocess.run([sys.executable, "-c", "import pulsework\n" + textwrap.dedent(code)],
                          capture_output=True, text=True, env=environment(), timeout=120)
    assert done.returncode == 0, "exit %d\n%s%s" % (done.returncode, done.stdout, done.stderr)
    return done.stdout


def test_bytearray_name_resized_by_the_pip():
    # The pip's __index__ runs after the name is read and frees the bytes a
    # view of the name would still point at.
    out = run("""
        name = bytearray(b"q" * 4096)

        class Pip:
            def __index__(self):
                name.extend(b"Z" * (1 << 20))
                return 0

        for sample in (pulsework.sample, pulsework.PatternLibrary().sample):
            del name[4096:]
            try:
                sample(name, Pip())
            except ValueError as error:
                print(str(error) == "Unknown pulsework: " + "q" * 4096)
    """)
    assert out.split() == ["True", "True"]


def test_instances_whose_init_never_ran():
    out = run("""
        P, L, O = pulsework.SampledPattern, pulsework.PatternLibrary, pulsework.Offset3
        bare, bare_library = P.__new__(P), L.__new__(L)
        for use in (lambda: bare.sample(0), lambda: bare.sample(pip_count=True), lambda: P.sample(bare, 0),
                    lambda: bare.name, lambda: bare.description, lambda: bare.period_pips,
                    lambda: L([bare]), lambda: L(patterns=(bare,)),
                    lambda: bare_library.sample("bounce", 0), lambda: bare_library.sample(b"x", 1.5),
                    lambda: bare_library.catalogue(), lambda: O.__new__(O), lambda: object.__new__(O)):
            try:
                use()
                print("accepted")
            except TypeError as error:
                print("refused" if "__init__" in str(error) or "Offset3" in str(error) else error)
        # Both still work once constructed.
        bare.__init__("wave", "", [[0.5, 0, 0]])
        print(L([bare]).sample("wave", 7).x)
    """)
    assert out.split() == ["refused"] * 13 + ["0.5"]


def test_an_instance_of_both_classes():
    # Two bound bases: each core object is found in its own slot, and the one
    # whose __init__ never ran is refused.
    out = run("""
        P, L = pulsework.SampledPattern, pulsework.PatternLibrary

        class Both(P, L):
            pass

        both = Both.__new__(Both)
        P.__init__(both, "both", "", [[0.5, 0.0, 0.25]])
        print(P.sample(both, 3).as_tuple() == (0.5, 0.0, 0.25), both.period_pips)
        try:
            L.sample(both, "bounce", 0)
        except TypeError as error:
            print("refused" if "__init__" in str(error) else error)
        L.__init__(both, [P("own", "", [[0.0, 0.0, 1.0]])])
        print(L.sample(both, "own", 5).z, L.sample(both, "bounce", 16).as_tuple() == pulsework.bounce(16).as_tuple())
    """)
    assert out.split() == ["True", "1", "refused", "1.0", "True"]


def test_unknown_name_messages_carry_the_whole_name():
    out = run("""
        class Name(str):
            pass

        library = pulsework.PatternLibrary()
        for name in ("bo\\x00unce", "\\x00", Name("x\\x00y\\x00"), b"bo\\x00unce", bytearray(b"a\\x00\\xff")):
            for sample in (pulsework.sample, library.sample):
                try:
                    sample(name, 0)
                except ValueError as error:
                    print(ascii(str(error)))
    """)
    names = ["bo\x00unce", "\x00", "x\x00y\x00", "bo\x00unce", "a\x00\\xff"]
    assert out.split("\n")[:-1] == [ascii("Unknown pulsework: " + n) for n in names for _ in (0, 1)]


def test_a_zero_without_digits():
    # Before CPython 3.11 an int of size 0 can be allocated without a digit
    # (here as C code would make it); the fast paths must not read one.
    # Under AddressSanitizer such a read is a heap-buffer-overflow.
    out = run("""
        import ctypes

        new = ctypes.pythonapi._PyLong_New
        new.restype, new.argtypes = ctypes.py_object, [ctypes.c_ssize_t]
        zero = new(0)
        own = pulsework.SampledPattern("own", "", [[0.5, 0, 0], [0, 0, 0]])
        print(zero == 0, pulsework.bounce(zero).as_tuple() == pulsework.bounce(0).as_tuple(),
              pulsework.sample("helix", zero).z == pulsework.helix(0).z,
              pulsework.PatternLibrary([own]).sample("own", zero).x, own.sample(zero).x)
    """)
    assert out.split() == ["True", "True", "True", "0.5", "0.5"]


def test_a_pattern_too_long_is_refused_as_its_rows_arrive():
    out = run("""
        class Rows:
            # Ten million rows, made one at a time as they are asked for.
            def __init__(self):
                self.made = 0

            def __len__(self):
                return 10_000_000

            def __getitem__(self, index):
                if index >= len(self):
                    raise IndexError(index)
                self.made += 1
                return [0.0, 0.0, 0.0]

        for name in ("wave", "Wave"):
            rows = Rows()
            try:
                pulsework.SampledPattern(name, "", rows)
            except ValueError as error:
                print(rows.made, str(error).replace(" ", "_"))
    """)
    assert out.split("\n")[:-1] == ["65536 A_pattern_requires_1..65535_samples_(one_per_pip)",
                                    "65536 Invalid_pattern_name"]
