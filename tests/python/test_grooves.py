"""The drum programmes do what their labels and notes say, the build's JSON
document carries them unchanged, and the reader refuses malformed lines."""
import os
import re
import sys
from collections import Counter
from fractions import Fraction

import pytest

sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "..", "src", "packs", "generator"))
from packgen import grooves as reader  # noqa: E402

GROOVES = {g.name: g for g in reader.load_grooves()}
BEAT, BAR, SIXTEENTH = 64, 256, 16
HATS = ("closed_hat", "open_hat")
TOMS = ("tom_low", "tom_mid", "tom_high")


def groove(short):
    return GROOVES["beat_" + short]


def pips(events, modulo=None):
    return sorted(e.pip % modulo if modulo else e.pip for e in events)


def main(g, *lanes):
    return [e for e in g.lane(*lanes) if e.velocity >= 0.5]


def bars(g):
    return [[e for e in g.events if e.pip // BAR == b] for b in range(g.period // BAR)]


def shifted(events, shift, period):
    return Counter((e.lane, (e.pip + shift) % period, e.velocity, e.note, e.length)
                   for e in events)


def repeats_after(events, shift, period):
    return shifted(events, shift, period) == shifted(events, 0, period)


def on_grid(e, step=SIXTEENTH):
    return e.pip % step == 0


def test_the_grooves_in_order():
    assert len(GROOVES) == 68
    assert [g.number for g in GROOVES.values()] == list(range(1, 69))
    assert Counter(g.period for g in GROOVES.values()) == {256: 1, 512: 63, 768: 1, 1024: 3}


@pytest.mark.parametrize("name", sorted(GROOVES))
def test_the_loop_is_the_whole_period(name):
    """Every bar is played and no groove repeats inside its period, except the
    bare pulse, which is one bar of one beat."""
    g = GROOVES[name]
    assert all(bars(g))
    smallest = next(s for s in range(SIXTEENTH, g.period + 1, SIXTEENTH)
                    if g.period % s == 0 and repeats_after(g.events, s, g.period))
    assert smallest == (BEAT if name == "beat_four_floor" else g.period)


# Lanes that a label names, by the words that name them.
NAMED = [
    (r"\bhats?\b", HATS), (r"\btoms?\b|low-drum", TOMS), (r"\brims?\b", ("rim",)),
    (r"\bbells?\b", ("bell",)), (r"\bshakers?\b", ("shaker",)), (r"\bclaps?\b", ("clap",)),
    (r"\bclave\b", ("clave",)), (r"(?<!bass-)percussion", ("perc", "conga")),
]


def named_lanes(label):
    return [lanes for pattern, lanes in NAMED if re.search(pattern, label)]


def weight(g, lanes):
    return sum(e.velocity for e in g.lane(*lanes))


@pytest.mark.parametrize("name", sorted(n for n, g in GROOVES.items() if named_lanes(g.label)))
def test_named_lanes_are_there_and_lead(name):
    """The drum lanes a label names are played, and one of them outweighs (by
    summed velocity) every other drum lane but the kick."""
    g = GROOVES[name]
    named = named_lanes(g.label)
    assert all(any(g.has(lane) for lane in lanes) for lanes in named)
    groups = [HATS, TOMS] + [(lane,) for lane in reader.LANES
                             if lane not in HATS + TOMS + ("kick", "bass")]
    heaviest = max(groups, key=lambda lanes: weight(g, lanes))
    assert any(set(heaviest) <= set(lanes) or set(lanes) <= set(heaviest) for lanes in named)


BASS_WORDS = re.compile(r"bass|low-end|log-", re.IGNORECASE)


def test_grooves_that_speak_of_bass_play_it():
    spoken = {n for n, g in GROOVES.items()
              if BASS_WORDS.search((g.label + " " + g.note).replace("Drum & bass", "genre"))}
    assert len(spoken) >= 10
    assert all(GROOVES[n].has("bass") for n in spoken)


@pytest.mark.parametrize("name", sorted(n for n, g in GROOVES.items() if g.has("bass")))
def test_bass_lines_are_monophonic_in_the_bass_register(name):
    g = GROOVES[name]
    bass = g.lane("bass")
    assert all(21 <= e.note <= 55 for e in bass)
    assert len({e.note for e in bass}) >= 2
    for e, after in zip(bass, bass[1:] + [bass[0]]):
        gap = (after.pip - e.pip) % g.period or g.period
        assert 0 < e.length <= gap


FOUR_FLOOR = """house_classic house_shuffle house_jack techno_drive techno_toms techno_polymeter
    ukg_four_four speed_garage bassline trance rave_breaks dembow disco amapiano funky_toms
    afro_bell afro_cross reggae_steppers son_clave_32 son_clave_23 psy_rolling psy_offbeat
    hard_reverse italo_machine acid_percussion techno_rumble amapiano_answer dembow_push""".split()


@pytest.mark.parametrize("short", FOUR_FLOOR)
def test_a_kick_on_every_beat(short):
    g = groove(short)
    assert set(range(0, g.period, BEAT)) <= set(pips(main(g, "kick")))


@pytest.mark.parametrize("short", ["techno_broken", "electro", "electro_robot", "gqom_space",
                                   "gqom_exchange", "funky_syncopated"])
def test_broken_kicks_leave_beats_empty(short):
    g = groove(short)
    kicks = set(pips(g.lane("kick")))
    assert not set(range(0, g.period, BEAT)) <= kicks
    assert any(p % BEAT for p in kicks)


def test_bare_pulse_is_equal_quarter_kicks_only():
    g = groove("four_floor")
    assert {e.lane for e in g.events} == {"kick"}
    assert pips(g.events) == [0, 64, 128, 192]
    assert len({e.velocity for e in g.events}) == 1


@pytest.mark.parametrize("short", ["house_classic", "house_shuffle"])
def test_house_hats_on_every_offbeat(short):
    g = groove(short)
    assert set(range(BEAT // 2, g.period, BEAT)) <= set(pips(g.lane(*HATS)))


@pytest.mark.parametrize("short, lanes", [
    ("house_shuffle", HATS), ("house_jack", ("kick",)), ("house_jack", ("clap",)),
    ("house_jack", HATS), ("ukg_two_step", HATS),
    ("ukg_skip", HATS), ("ukg_four_four", HATS), ("broken_shuffle", ("rim",)),
    ("ukg_rim_shuffle", ("rim",)), ("dubstep_skip", HATS), ("amapiano", ("shaker",)),
    ("funky_toms", TOMS),
])
def test_swung_lanes_are_played_off_the_grid(short, lanes):
    assert any(not on_grid(e) for e in groove(short).lane(*lanes))


@pytest.mark.parametrize("short", ["techno_drive", "drill_tresillo", "drill_displaced",
                                   "grime_sparse", "electro", "electro_robot", "italo_machine",
                                   "psy_rolling", "acid_percussion"])
def test_straight_and_machine_grooves_stay_on_the_sixteenth_grid(short):
    assert all(on_grid(e) for e in groove(short).events)


def test_ukg_two_step():
    g = groove("ukg_two_step")
    assert pips(main(g, "snare"), BAR) == [64, 64, 192, 192]
    for bar in (0, BAR):  # the second kick on the & of 3
        assert {bar, bar + 160} <= set(pips(main(g, "kick")))
    assert all(on_grid(e) for e in main(g, "kick", "snare"))


@pytest.mark.parametrize("short", ["drill_tresillo", "drill_rolls"])
def test_drill_hats_group_three_three_two_on_a_straight_grid(short):
    hats = groove(short).lane(*HATS)
    fills = {e.pip // BEAT for e in hats if not on_grid(e)}  # the triplet fill's beats
    hats = [e for e in hats if e.pip // BEAT not in fills]
    assert all(on_grid(e) for e in hats)
    half_bars = Counter(p // 128 for p in pips(hats))
    assert {p % 128 for p in pips(hats)} == {0, 48, 96}
    assert max(half_bars.values()) == 3 and len(half_bars) >= 3


def test_drill_snare_moves_from_beat_three_to_beat_four():
    assert pips(main(groove("drill_displaced"), "snare")) == [128, BAR + 192]


def test_drill_roll_is_a_true_triplet():
    hats = pips(groove("drill_rolls").lane(*HATS))
    tuplets = [p for p in hats if p.denominator == 3]
    assert len(tuplets) >= 4
    gaps = {b - a for a, b in zip(hats, hats[1:]) if a in tuplets or b in tuplets}
    assert Fraction(32, 3) in gaps and gaps <= {Fraction(32, 3), Fraction(64, 3)}


def test_techno_polymeter_closes_after_three_bars_and_not_before():
    g = groove("techno_polymeter")
    cycle = g.lane("perc")
    frame = [e for e in g.events if e.lane != "perc"]
    assert repeats_after(cycle, 3 * SIXTEENTH, g.period)
    assert not repeats_after(cycle, SIXTEENTH, g.period)
    assert repeats_after(frame, BAR, g.period) and not repeats_after(frame, BAR // 2, g.period)
    assert g.period == 768  # lcm of 3 sixteenths and the bar; the whole loop is checked above


def test_amen_four_bars_and_its_variant_without_ghosts():
    full, plain = groove("amen_four_bar"), groove("amen_no_ghosts")
    keys = [frozenset((e.lane, e.pip % BAR) for e in bar) for bar in bars(full)]
    assert len(set(keys)) == 4
    ghosts = [e for e in full.events if e.lane == "snare" and e.ghost]
    assert ghosts and not any(e.ghost for e in plain.events)
    assert list(plain.events) == [e for e in full.events if e not in ghosts]


def test_jungle_switch_answers_with_fewer_main_snares():
    snares = pips(main(groove("jungle_switch"), "snare"))
    first, second = [p for p in snares if p < 512], [p for p in snares if p >= 512]
    assert 0 < len(second) < len(first)


def test_jungle_ghosts_and_roll():
    g = groove("jungle_ghosts")
    snares = g.lane("snare")
    assert sum(e.ghost for e in snares) >= 6
    gaps = [b.pip - a.pip for a, b in zip(snares, snares[1:])]
    assert "1" * 5 in "".join("1" if d == 8 else "0" for d in gaps)  # six thirty-seconds


@pytest.mark.parametrize("short", ["dnb_rolling", "jungle_chops", "rave_breaks", "dnb_push",
                                   "jungle_switchback", "house_jack"])
def test_grooves_with_ghost_notes(short):
    assert sum(e.ghost for e in groove(short).events) >= 2


def test_jackin_ghost_kick_turnaround():
    g = groove("house_jack")
    ghost_kicks = [e.pip for e in g.lane("kick") if e.velocity < 0.5]
    assert len(ghost_kicks) >= 2 and all(p >= BAR + 2 * BEAT for p in ghost_kicks)
    assert any(e.ghost for e in g.lane("clap"))


@pytest.mark.parametrize("short", ["dembow", "dembow_push"])
def test_dembow_answers_three_three_two(short):
    g = groove(short)
    answers = [p for p in pips(main(g, "snare")) if p < 2 * BAR - SIXTEENTH]  # before a pickup
    assert answers == [p for start in range(0, 2 * BAR, 128) for p in (start + 48, start + 96)]


def test_dembow_push_picks_up_into_the_loop():
    assert max(pips(groove("dembow_push").events)) == 2 * BAR - SIXTEENTH


@pytest.mark.parametrize("short, strokes", [
    ("son_clave_32", [0, 96, 192, BAR + 64, BAR + 128]),
    ("son_clave_23", [64, 128, BAR, BAR + 96, BAR + 192]),
])
def test_son_clave(short, strokes):
    assert pips(groove(short).lane("clave")) == strokes


def test_one_drop():
    g = groove("reggae_one_drop")
    assert not any(e.pip % BAR == 0 for e in g.events)
    kicks = pips(g.lane("kick"))
    assert kicks == [128, BAR + 128] and set(kicks) <= set(pips(g.lane("rim")))


def test_rockers_kick_on_one_and_three_only():
    assert pips(groove("reggae_rockers").lane("kick"), 128) == [0] * 4


def test_jersey_five_kicks_a_bar():
    assert [len(b) for b in (
        [e for e in bar if e.lane == "kick"] for bar in bars(groove("jersey_five")))] == [5, 5]


def test_jersey_call_turns_around_in_triplets():
    kicks = pips(groove("jersey_call").lane("kick"))
    assert kicks[-3:] == [448 + Fraction(64, 3) * k for k in range(3)]


def test_afro_cross_plays_three_against_four():
    g = groove("afro_cross")
    triplets, straight = g.lane("conga"), g.lane("shaker")
    assert all((e.pip * 3 / BEAT).denominator == 1 for e in triplets)
    assert set(Counter(e.pip // BEAT for e in triplets).values()) == {3}
    assert set(Counter(e.pip // BEAT for e in straight).values()) == {4}
    assert all(on_grid(e) for e in straight)


@pytest.mark.parametrize("short", ["trance", "psy_offbeat"])
def test_offbeat_bass(short):
    g = groove(short)
    assert pips(g.lane("bass")) == list(range(BEAT // 2, g.period, BEAT))


def test_speed_garage_bass_answers_on_the_offbeats():
    bass = pips(groove("speed_garage").lane("bass"))
    assert sum(p % BEAT == BEAT // 2 for p in bass) > len(bass) / 2


@pytest.mark.parametrize("short", ["psy_rolling", "hard_reverse", "techno_rumble",
                                   "amapiano_answer", "bassline"])
def test_bass_answers_between_kicks(short):
    g = groove(short)
    assert not set(pips(g.lane("bass"))) & set(pips(g.lane("kick")))


def test_hard_dance_bass_swells_through_each_bar():
    for bar in bars(groove("hard_reverse")):
        levels = [e.velocity for e in bar if e.lane == "bass"]
        assert levels == sorted(levels) and levels[-1] > levels[0]


def test_footwork_bass_replies_in_triplets():
    bass = groove("footwork_triplet").lane("bass")
    assert all((e.pip * 3 / BEAT).denominator == 1 for e in bass)
    assert any(not on_grid(e) for e in bass)


@pytest.mark.parametrize("short", ["grime_sparse", "grime_half", "dnb_half", "dubstep_half",
                                   "dubstep_skip", "trap_trills"])
def test_half_time_backbeat_on_three(short):
    g = groove(short)
    assert pips(main(g, "snare", "clap")) == list(range(128, g.period, BAR))


def test_footwork_sparse_interrupts_its_half_time():
    g = groove("footwork_sparse")
    assert pips(main(g, "snare")) == [128]
    onsets = sorted(set(pips(g.events)))
    assert max(b - a for a, b in zip(onsets, onsets[1:])) >= 2 * BEAT
    # Footwork's kick figure, chopped from the triplet eighths in both bars.
    kicks = g.lane("kick")
    assert all((e.pip * 3 / BEAT).denominator == 1 for e in kicks)
    assert Counter(e.pip // BAR for e in kicks if not on_grid(e)) == {0: 3, 1: 3}


def test_displaced_snares_move_between_bars():
    g = groove("grime_syncopated")
    first, second = ([p % BAR for p in pips(main(g, "snare")) if p // BAR == b] for b in (0, 1))
    assert first != second and any(p % BEAT for p in first + second)


def test_broken_push_answers_early_and_late():
    offsets = {e.pip % SIXTEENTH for e in groove("broken_push").lane("snare")} - {0}
    assert any(o < SIXTEENTH // 2 for o in offsets) and any(o > SIXTEENTH // 2 for o in offsets)


def test_gqom_exchange_never_doubles_its_drums():
    drums = pips(groove("gqom_exchange").lane("kick", "snare", *TOMS))
    assert len(drums) == len(set(drums))


def test_dnb_push_kick_pickup_and_ghost_replies():
    g = groove("dnb_push")
    assert 2 * BAR - SIXTEENTH in pips(g.lane("kick"))
    ghosts = [e.pip for e in g.lane("snare") if e.ghost]
    assert all(any(0 < q - p <= BEAT for q in ghosts) for p in pips(main(g, "snare")))


def test_dancehall_replies_on_offbeats():
    g = groove("dancehall_space")
    assert all(p % BEAT == BEAT // 2 for p in pips(g.lane("snare", "rim")))


def test_acid_bass_has_accents():
    levels = {e.velocity for e in groove("acid_percussion").lane("bass")}
    assert len(levels) == 2 and max(levels) - min(levels) >= 0.3


# The JSON document the build writes, read through the companion package.

@pytest.fixture(scope="module")
def document():
    pulsework_gallery = pytest.importorskip("pulsework_gallery")
    return pulsework_gallery.drum_programmes()


def test_document_carries_every_programme(document):
    assert document["pips_per_beat"] == reader.PIPS_PER_BEAT
    assert [g["name"] for g in document["grooves"]] == list(GROOVES)
    for record in document["grooves"]:
        g = GROOVES[record["name"]]
        assert (record["label"], record["period"]) == (g.label, g.period)
        expected = []
        for e in g.events:
            item = {"lane": e.lane, "pip": exact(e.pip), "velocity": e.velocity}
            if e.note is not None:
                item.update(note=e.note, length=exact(e.length))
            expected.append(item)
        assert record["events"] == expected
        assert [type(item["pip"]) for item in record["events"]] == [
            type(item["pip"]) for item in expected]


def exact(value):
    return int(value) if value.denominator == 1 else float(value)


def test_document_is_a_new_object_each_call():
    import pulsework_gallery

    first = pulsework_gallery.drum_programmes()
    first["grooves"].clear()
    assert len(pulsework_gallery.drum_programmes()["grooves"]) == 68


# The reader's refusals.

@pytest.mark.parametrize("fields, message", [
    (["kick", "1.1.1"], "expected lane"),
    (["cowbell", "1.1.1", "0.5"], "unknown lane"),
    (["kick", "1.5.1", "0.5"], "bar.beat.sixteenth"),
    (["kick", "1.1.1+1/0", "0.5"], "divides by zero"),
    (["kick", "3.1.1", "0.5"], "outside the period"),
    (["kick", "1.1.1-2", "0.5"], "outside the period"),
    (["kick", "1.1.1", "0"], "velocity"),
    (["kick", "1.1.1", "nan"], "velocity"),
    (["kick", "1.1.1", "0.5", "36", "16"], "only it"),
    (["bass", "1.1.1", "0.5"], "only it"),
    (["bass", "1.1.1", "0.5", "36"], "only it"),
    (["bass", "1.1.1", "0.5", "36", "1/0"], "zero"),
    (["bass", "1.1.1", "0.5", "128", "16"], "0 to 127"),
    (["bass", "1.1.1", "0.5", "36", "0"], "positive length"),
])
def test_reader_refuses_malformed_lines(monkeypatch, fields, message):
    monkeypatch.setattr(reader, "read_table", lambda *parts: [(7, fields)])
    with pytest.raises(ValueError, match=message) as caught:
        reader.load_events("beat_test", 512)
    assert "beat_test.tsv:7" in str(caught.value)


def test_reader_refuses_two_hits_of_one_lane_at_once(monkeypatch):
    lines = [(1, ["kick", "1.1.1", "0.9"]), (2, ["kick", "1.1.1", "0.5"])]
    monkeypatch.setattr(reader, "read_table", lambda *parts: lines)
    with pytest.raises(ValueError, match="two kick events"):
        reader.load_events("beat_test", 512)
