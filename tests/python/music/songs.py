"""Songs synthesised with numpy, with the times of their beats."""
import numpy as np

RATE = 44100


def drum_song(bpm=120.0, bars=8, rate=RATE, lead=0.0):
    """A 4/4 groove: kick on 1 and 3, snare on 2 and 4, hats on the eighths,
    a bass note a bar (changing with the bar). (audio, beat times)."""
    beat = 60.0 / bpm
    length = int((lead + bars * 4 * beat + 1.0) * rate)
    audio = np.zeros(length, dtype=np.float32)
    noise = np.random.default_rng(7).standard_normal(rate).astype(np.float32)

    def add(at, sound):
        start = int(at * rate)
        end = min(length, start + len(sound))
        audio[start:end] += sound[:end - start]

    t = np.arange(int(0.3 * rate)) / rate
    kick = np.sin(2 * np.pi * (50 * t + 60 * (1 - np.exp(-t * 30)) / 30)) * np.exp(-t * 12)
    snare = noise[:len(t)] * np.exp(-t * 25) * 0.5
    hat = noise[:len(t) // 4] * np.exp(-t[:len(t) // 4] * 120) * 0.2
    times = [lead + k * beat for k in range(bars * 4)]
    for k, at in enumerate(times):
        add(at, kick if k % 2 == 0 else snare)
        add(at, hat)
        add(at + beat / 2, hat)
        if k % 4 == 0:
            b = np.arange(int(4 * beat * rate)) / rate
            hz = (55.0, 73.4, 61.7, 82.4)[(k // 4) % 4]
            add(at, 0.3 * np.sin(2 * np.pi * hz * b) * np.exp(-b * 0.8))
    return (audio / np.abs(audio).max() * 0.8).astype(np.float32), np.array(times)
