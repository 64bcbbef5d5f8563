"""Reads the authored data of the atlas tables: small JSON and
tab-separated files beside the pack's records (data/atlas/)."""
from ... import authored


def load_json(file_name):
    return authored.load_json("atlas", file_name)


def load_columns(file_name):
    return authored.load_columns("atlas", file_name)
