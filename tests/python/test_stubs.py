"""The type stub against the module where stubtest cannot look: pybind11's
functions carry no signature object, only the signature line of their
docstring, so parameter names, positional-only parameters and defaults are
compared here, function by function."""
import ast
import os

import pytest

STUB = os.path.join(os.path.dirname(__file__), "..", "..", "python", "pulsework.pyi")


def stub_definitions():
    """{qualified name: (positional-only names, other names, names with a default)}."""
    tree = ast.parse(open(STUB, encoding="utf-8").read())
    found = {}

    def add(function, prefix):
        decorators = {getattr(d, "id", None) for d in function.decorator_list}
        if "property" in decorators:
            return
        a = function.args
        plain = [p.arg for p in a.args]
        defaulted = plain[len(plain) - len(a.defaults):] if a.defaults else []
        found[prefix + function.name] = ([p.arg for p in a.posonlyargs], plain + [p.arg for p in a.kwonlyargs],
                                         defaulted)

    for node in tree.body:
        if isinstance(node, ast.FunctionDef):
            add(node, "")
        elif isinstance(node, ast.ClassDef) and not node.name.startswith("_"):
            for item in node.body:
                if isinstance(item, ast.FunctionDef):
                    add(item, node.name + ".")
    return found


def runtime_parameters(function):
    """[(name, has default)] from the signature line pybind11 writes into __doc__."""
    line = function.__doc__.splitlines()[0]
    inside = line[line.index("(") + 1:line.rindex(") ->")]
    parts, depth, start = [], 0, 0
    for i, c in enumerate(inside + ","):
        depth += c in "[(" and 1 or c in "])" and -1 or 0
        if c == "," and depth == 0:
            if inside[start:i].strip():
                parts.append(inside[start:i].strip())
            start = i + 1
    return [(p.split(":")[0].strip(), "=" in p) for p in parts]


DEFINITIONS = stub_definitions()


@pytest.mark.parametrize("qualified", sorted(DEFINITIONS))
def test_stub_signature_is_the_runtime_one(module, qualified):
    owner, _, name = qualified.rpartition(".")
    function = getattr(getattr(module, owner) if owner else module, name)
    runtime = runtime_parameters(function)
    if owner:
        assert runtime[0][0] == "self"
        runtime = runtime[1:]
    positional_only, named, defaulted = DEFINITIONS[qualified]
    if owner:
        named = named[1:]
    # pybind11 names an argument that has no keyword argN: positional only.
    assert [n for n, _ in runtime if n.startswith("arg")] == ["arg%d" % i for i in range(len(positional_only))]
    assert [n for n, _ in runtime if not n.startswith("arg")] == named
    assert [n for n, d in runtime if d] == defaulted


def test_stub_covers_every_function(module):
    public = {n for n in dir(module) if not n.startswith("_") and callable(getattr(module, n))
              and not isinstance(getattr(module, n), type)}
    assert public == {q for q in DEFINITIONS if "." not in q}
