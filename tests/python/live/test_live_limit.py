"""Real speed: a fixture follows its pattern within its top speed and
acceleration, never past where the pattern goes, and gets there when the
pattern slows."""
from hypothesis import given, settings
from hypothesis import strategies as st

from pulsework_live.limit import Follower, Limit, clipping
from pulsework_motion import Shaping

FPS = 44.0


@settings(max_examples=150, deadline=None)
@given(speed=st.floats(5, 500), acceleration=st.sampled_from([0.0, 60.0, 900.0, 20000.0]),
       path=st.lists(st.tuples(st.floats(-300, 300), st.integers(1, 12)), min_size=1,
                     max_size=25))
def test_within_its_speed_never_past_the_pattern_and_there_when_it_holds(speed, acceleration,
                                                                         path):
    follower = Follower([(Limit(speed, acceleration), None, None)])
    frame, lowest, highest, output = 0, 0.0, 0.0, 0.0
    for target, frames in path + [(path[-1][0], 100_000)]:
        lowest, highest = min(lowest, target), max(highest, target)
        for _ in range(frames):
            (position,) = follower.follow([(target, 0.0, 0.0)], frame / FPS)
            moved = position[0] - output
            output = position[0]
            frame += 1
            if frame > 1:
                assert abs(moved) <= speed / FPS * (1 + 1e-9)
                assert lowest - 1e-9 <= output <= highest + 1e-9
            if output == target and frames > 1000:
                break
    assert output == path[-1][0]


def test_how_much_a_limit_clips():
    shaping = Shaping(size=(40.0, 20.0, 1.0))
    slow = (Limit(5.0, 20.0), Limit(5.0, 20.0), None)
    fast = (Limit(10000.0), Limit(10000.0), None)
    assert str(clipping("circle", shaping, fast, 120, FPS)) == "follows exactly"
    clipped = clipping("circle", shaping, slow, 120, FPS)
    assert clipped.frames > 0.9 and clipped.travel > 0.9 and clipped.worst > 30
    # Half the tempo, the same speed: less clipped.
    assert clipping("circle", shaping, slow, 60, FPS).travel < clipped.travel
