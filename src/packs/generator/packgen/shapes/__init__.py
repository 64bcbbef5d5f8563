"""The sixteen groove motion shapes, each a function from a groove's score
and the pattern's dimensions to its rows."""
from . import dynamics, kick, lateral, paths, phrase, turns

SHAPES = {
    "bounce": kick.bounce,
    "step": lateral.step,
    "orbit": turns.orbit,
    "glide": phrase.glide,
    "surge": kick.surge,
    "recoil": lateral.recoil,
    "flutter": dynamics.flutter,
    "dive": phrase.dive,
    "pendulum": paths.pendulum,
    "figure8": paths.figure8,
    "box": paths.box,
    "corkscrew": turns.corkscrew,
    "spiral": turns.spiral,
    "slalom": lateral.slalom,
    "spring": dynamics.spring,
    "ricochet": dynamics.ricochet,
}
