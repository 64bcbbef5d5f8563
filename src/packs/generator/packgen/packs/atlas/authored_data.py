"""Reads the authored data of the atlas tables: small JSON and
tab-separated files beside the pack's records (data/atlas/)."""
import json

from ...records import data_path


def load_json(file_name):
    with open(data_path("atlas", file_name), encoding="utf-8") as stream:
        return json.load(stream)


def load_columns(file_name):
    """Rows of a tab-separated table of numbers as dicts keyed by its header.

    Lines starting with '#' are comments; the first other line is the header.
    """
    with open(data_path("atlas", file_name), encoding="utf-8") as stream:
        lines = [line.rstrip("\n") for line in stream if line.strip() and not line.startswith("#")]
    header = lines[0].split("\t")
    return [dict(zip(header, (float(v) for v in line.split("\t")))) for line in lines[1:]]
