"""Tests of pulsework-live: rig files, clocks, and what reaches the wire."""
