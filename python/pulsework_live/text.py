"""Values from files, shown in messages: escaped, so that a control
character in a rig or fixture file cannot move the cursor, recolour or
clear the terminal that reads the message, and bounded, so that a huge
value makes a short message."""
import unicodedata

MAX_TEXT = 120      # characters of a text shown
MAX_ITEMS = 8       # items of a list shown
MAX_DEPTH = 3       # lists within lists shown
_ESCAPED = {'"': '\\"', "\\": "\\\\", "\n": "\\n", "\r": "\\r", "\t": "\\t"}


def escape(text):
    """`text` with every control, format and line-separator character written
    as an escape (\\x1b, \\u202e)."""
    out = []
    for character in text:
        if character in _ESCAPED:
            out.append(_ESCAPED[character])
        elif unicodedata.category(character) in ("Cc", "Cf", "Cs", "Co", "Cn", "Zl", "Zp"):
            code = ord(character)
            out.append("\\x%02x" % code if code < 0x100 else
                       "\\u%04x" % code if code < 0x10000 else "\\U%08x" % code)
        else:
            out.append(character)
    return "".join(out)


def show(value, depth=0):
    """A value read from a file, as a message shows it: a text in quotes
    (escaped, and cut short past MAX_TEXT characters), true or false, a list
    in brackets, "a table"."""
    if isinstance(value, str):
        if len(value) > MAX_TEXT:
            return '"%s"... (%d characters)' % (escape(value[:MAX_TEXT]), len(value))
        return '"%s"' % escape(value)
    if isinstance(value, bool):
        return "true" if value else "false"
    if isinstance(value, dict):
        return "a table"
    if isinstance(value, list):
        if depth >= MAX_DEPTH:
            return "[...]"
        items = [show(item, depth + 1) for item in value[:MAX_ITEMS]]
        if len(value) > MAX_ITEMS:
            items.append("... (%d items)" % len(value))
        return "[%s]" % ", ".join(items)
    return escape(repr(value))
