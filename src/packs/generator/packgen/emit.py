"""Writes the generated tables as build inputs.

Files are rewritten only when their bytes change, so a rebuild after an
unrelated edit recompiles nothing.
"""
import hashlib
import os
import struct
from typing import Dict, List, Sequence, Tuple

from .model import Pack, Pattern, Row

BuiltPack = Tuple[Pack, List[Tuple[Pattern, List[Row]]]]


def write_if_changed(path: str, data: bytes) -> None:
    try:
        with open(path, "rb") as stream:
            if stream.read() == data:
                return
    except OSError:
        pass
    os.makedirs(os.path.dirname(path), exist_ok=True)
    tmp = path + ".tmp"
    with open(tmp, "wb") as stream:
        stream.write(data)
    os.replace(tmp, path)


def row_bytes(rows: Sequence[Row]) -> bytes:
    """Little-endian IEEE doubles, x y z a row: the stored form of a table."""
    return b"".join(struct.pack("<3d", *row) for row in rows)


def cpp_string(text: str) -> str:
    """A C++ string literal of the UTF-8 bytes, non-ASCII as octal escapes."""
    out = []
    for byte in text.encode("utf-8"):
        c = chr(byte)
        if c in '"\\':
            out.append("\\" + c)
        elif 32 <= byte < 127:
            out.append(c)
        else:
            out.append("\\%03o" % byte)
    return '"' + "".join(out) + '"'


def name_key_words(names) -> int:
    """64-bit words that hold the longest name."""
    return max(1, max((len(name.encode("utf-8")) + 7) // 8 for name in names))


def name_key(name: str, words: int) -> List[str]:
    """The name's bytes, zero-padded, as big-endian 64-bit words: compared
    word by word as numbers they order names as their bytes do."""
    padded = name.encode("utf-8").ljust(8 * words, b"\0")
    return ["0x%016xull" % int.from_bytes(padded[i:i + 8], "big") for i in range(0, 8 * words, 8)]


def pack_digests(built: Sequence[BuiltPack]) -> Dict[str, str]:
    digests = {}
    for pack, tables in built:
        h = hashlib.sha256()
        for _pattern, rows in tables:
            h.update(row_bytes(rows))
        digests[pack.namespace] = h.hexdigest()
    return digests


def emit(out_dir: str, built: Sequence[BuiltPack]) -> Dict[str, str]:
    entries = [(pack, pattern) for pack, tables in built for pattern, _rows in tables]
    blob = b"".join(row_bytes(rows) for _pack, tables in built for _p, rows in tables)
    rows_total = len(blob) // 24
    bin_path = os.path.join(out_dir, "pack_rows.bin")
    write_if_changed(bin_path, blob)

    # The rows reach the program's read-only image through the assembler,
    # which copies the binary table in as it stands: nothing is parsed by
    # the compiler and nothing runs at load time.
    asm = (
        "/* Generated: the pack rows, embedded from pack_rows.bin. */\n"
        "\t.section .rodata.pulsework_pack_rows,\"a\",@progbits\n"
        "\t.balign 64\n"
        "\t.globl pulsework_pack_rows\n"
        "\t.hidden pulsework_pack_rows\n"
        "\t.type pulsework_pack_rows, @object\n"
        "\t.size pulsework_pack_rows, %d\n"
        "pulsework_pack_rows:\n"
        "\t.incbin \"%s\"\n"
        "\t.section .note.GNU-stack,\"\",@progbits\n"
        % (len(blob), os.path.abspath(bin_path).replace("\\", "\\\\").replace('"', '\\"'))
    )
    write_if_changed(os.path.join(out_dir, "pack_rows.S"), asm.encode())

    key_words = name_key_words(pattern.name for _pack, pattern in entries)
    sizes = (
        "#pragma once\n"
        "// Generated: sizes of the pack tables.\n\n"
        "#define PACK_ENTRY_COUNT %d\n"
        "#define PACK_ROW_COUNT %d\n"
        "#define PACK_NAME_KEY_WORDS %d\n" % (len(entries), rows_total, key_words)
    )
    write_if_changed(os.path.join(out_dir, "include", "pulsework", "pack_sizes.hpp"), sizes.encode())

    decl = ["#pragma once", "// Generated: the sampler of every pack pattern.", "",
            '#include "pulsework/offset3.hpp"', ""]
    for pack, tables in built:
        decl.append("namespace %s {" % pack.namespace)
        for pattern, _rows in tables:
            decl.append("pulsework::Offset3 sample_%s(int pip) noexcept;" % pattern.name)
        decl.append("}  // namespace %s" % pack.namespace)
        decl.append("")
    write_if_changed(
        os.path.join(out_dir, "include", "pulsework", "pack_samplers.hpp"), "\n".join(decl).encode()
    )

    src = ["// Generated: pack samplers, the pack table and its name index.", "",
           '#include "pack_table.hpp"', '#include "pulsework/pack_samplers.hpp"', ""]
    first_row = 0
    for pack, tables in built:
        src.append("namespace %s {" % pack.namespace)
        for pattern, _rows in tables:
            src.append(
                "pulsework::Offset3 sample_%s(int pip) noexcept { "
                "return pulsework::packs::read_row<%du, %du>(pip); }"
                % (pattern.name, first_row, pattern.period)
            )
            first_row += pattern.period
        src.append("}  // namespace %s" % pack.namespace)
        src.append("")
    src.append("namespace pulsework::packs {")
    src.append("")
    # constinit: the table must be constant data. Without it the compiler may
    # build the string views at load time, in a static initialiser that is
    # also slow to compile.
    src.append("constinit const PackEntry pack_table[entry_count] = {")
    for pack, pattern in entries:
        src.append(
            "    {{%s, %s, %d, %d}, &%s::sample_%s},"
            % (cpp_string(pattern.name), cpp_string(pattern.description), pattern.period,
               pattern.dimensions, pack.namespace, pattern.name)
        )
    src.append("};")
    src.append("")
    order = sorted(range(len(entries)), key=lambda k: entries[k][1].name.encode("utf-8"))
    src.append("constinit const std::uint64_t name_index[entry_count] = {")
    for k in order:
        src.append("    %d,  // %s" % (k, entries[k][1].name))
    src.append("};")
    src.append("")
    src.append("constinit const NameKey name_keys[entry_count] = {")
    for k in order:
        src.append("    {{%s}},  // %s" % (", ".join(name_key(entries[k][1].name, key_words)), entries[k][1].name))
    src.append("};")
    src.append("")
    src.append("}  // namespace pulsework::packs")
    src.append("")
    write_if_changed(os.path.join(out_dir, "pack_table.cpp"), "\n".join(src).encode())

    digests = pack_digests(built)
    text = "".join("%s  %s\n" % (digest, ns) for ns, digest in digests.items())
    write_if_changed(os.path.join(out_dir, "pack_digests.txt"), text.encode())
    return digests
