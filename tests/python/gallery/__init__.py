"""Tests of the gallery package and page."""
