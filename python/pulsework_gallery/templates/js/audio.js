// Drum programmes as sound, synthesised with the Web Audio API: no samples,
// no network. `schedule` places every event of a programme that falls in a
// span of beats at the audio time the caller's clock gives for its beat; the
// live page and an offline render use it alike.
(function (PW) {
  "use strict";

  var noiseBuffers = typeof WeakMap === "function" ? new WeakMap() : null;

  // One second of white noise per audio context, the same every time (a
  // fixed-seed generator), so that renders repeat exactly.
  function noise(ctx) {
    var buffer = noiseBuffers && noiseBuffers.get(ctx);
    if (buffer) return buffer;
    buffer = ctx.createBuffer(1, ctx.sampleRate, ctx.sampleRate);
    var data = buffer.getChannelData(0), seed = 0x2545f491;
    for (var i = 0; i < data.length; i++) {
      seed ^= seed << 13; seed ^= seed >>> 17; seed ^= seed << 5;
      data[i] = (seed >>> 0) / 2147483648 - 1;
    }
    if (noiseBuffers) noiseBuffers.set(ctx, buffer);
    return buffer;
  }

  // A gain that rises to `peak` in `attack` seconds, then dies away
  // exponentially over `decay` seconds.
  function envelope(ctx, out, time, peak, attack, decay) {
    var gain = ctx.createGain();
    gain.gain.setValueAtTime(0, time);
    gain.gain.linearRampToValueAtTime(peak, time + attack);
    gain.gain.exponentialRampToValueAtTime(Math.max(peak * 1e-3, 1e-5), time + attack + decay);
    gain.connect(out);
    return gain;
  }

  function tone(ctx, out, time, type, frequency, end) {
    var osc = ctx.createOscillator();
    osc.type = type;
    osc.frequency.setValueAtTime(frequency, time);
    if (end) osc.frequency.exponentialRampToValueAtTime(end[0], time + end[1]);
    osc.connect(out);
    return osc;
  }

  function noiseSource(ctx, out, time) {
    var source = ctx.createBufferSource();
    source.buffer = noise(ctx);
    source.loop = true;
    source.connect(out);
    // Start somewhere in the buffer that depends on the time, so that hits
    // do not all sound exactly alike.
    source.offsetSeconds = (time * 7.31) % 0.9;
    return source;
  }

  function filter(ctx, out, type, frequency, q) {
    var node = ctx.createBiquadFilter();
    node.type = type;
    node.frequency.value = frequency;
    if (q !== undefined) node.Q.value = q;
    node.connect(out);
    return node;
  }

  function play(sources, time, length) {
    sources.forEach(function (source) {
      if (source.offsetSeconds !== undefined) source.start(time, source.offsetSeconds);
      else source.start(time);
      source.stop(time + length);
    });
    return sources;
  }

  function pitched(freq, drop, decay, level) {
    return function (ctx, out, t, loud) {
      var gain = envelope(ctx, out, t, level * loud, 0.002, decay);
      return play([tone(ctx, gain, t, "sine", freq, [freq * drop, decay * 0.6])], t, decay + 0.02);
    };
  }

  function noisy(type, frequency, q, attack, decay, level) {
    return function (ctx, out, t, loud) {
      var gain = envelope(ctx, out, t, level * loud, attack, decay);
      return play([noiseSource(ctx, filter(ctx, gain, type, frequency, q), t)], t, attack + decay + 0.02);
    };
  }

  function midiHz(note) { return 440 * Math.pow(2, (note - 69) / 12); }

  // One voice per lane: (context, output, time, loudness, event, seconds per pip) -> sources.
  var VOICES = {
    // A pitched sine sweep.
    kick: function (ctx, out, t, loud) {
      var gain = envelope(ctx, out, t, 1.0 * loud, 0.002, 0.42);
      return play([tone(ctx, gain, t, "sine", 165, [46, 0.13])], t, 0.45);
    },
    // A filtered noise burst over a short body tone.
    snare: function (ctx, out, t, loud) {
      var body = envelope(ctx, out, t, 0.32 * loud, 0.001, 0.09);
      var hiss = envelope(ctx, out, t, 0.85 * loud, 0.001, 0.2);
      return play([tone(ctx, body, t, "triangle", 190, [160, 0.08]),
                   noiseSource(ctx, filter(ctx, hiss, "highpass", 1300, 0.7), t)], t, 0.23);
    },
    // Several quick slaps of band-passed noise, and a short tail.
    clap: function (ctx, out, t, loud) {
      var gain = ctx.createGain(), peak = 0.8 * loud, at = t;
      gain.gain.setValueAtTime(0, t);
      for (var slap = 0; slap < 3; slap++, at += 0.011) {
        gain.gain.linearRampToValueAtTime(peak, at + 0.001);
        gain.gain.exponentialRampToValueAtTime(peak * 0.12, at + 0.0105);
      }
      gain.gain.linearRampToValueAtTime(peak * 0.9, at + 0.001);
      gain.gain.exponentialRampToValueAtTime(peak * 1e-3, at + 0.16);
      gain.connect(out);
      return play([noiseSource(ctx, filter(ctx, gain, "bandpass", 1150, 0.9), t)], t, 0.22);
    },
    // Short tones.
    rim: function (ctx, out, t, loud) {
      var click = envelope(ctx, out, t, 0.3 * loud, 0.0005, 0.035);
      var knock = envelope(ctx, out, t, 0.22 * loud, 0.0005, 0.03);
      return play([tone(ctx, click, t, "triangle", 1750), tone(ctx, knock, t, "sine", 460)], t, 0.05);
    },
    clave: function (ctx, out, t, loud) {
      var gain = envelope(ctx, out, t, 0.32 * loud, 0.0005, 0.07);
      return play([tone(ctx, gain, t, "sine", 2500)], t, 0.08);
    },
    // High-passed noise of different lengths.
    closed_hat: noisy("highpass", 7500, 0.7, 0.0008, 0.045, 0.3),
    open_hat: noisy("highpass", 7000, 0.7, 0.001, 0.3, 0.24),
    shaker: noisy("highpass", 5200, 0.9, 0.012, 0.07, 0.24),
    // Pitched decays.
    tom_low: pitched(105, 0.72, 0.36, 0.75),
    tom_mid: pitched(150, 0.72, 0.3, 0.7),
    tom_high: pitched(210, 0.74, 0.25, 0.65),
    conga: pitched(330, 0.86, 0.2, 0.5),
    // Two square partials through a band-pass, as a machine cowbell.
    bell: function (ctx, out, t, loud) {
      var gain = envelope(ctx, out, t, 0.22 * loud, 0.001, 0.32);
      var band = filter(ctx, gain, "bandpass", 800, 1.1);
      return play([tone(ctx, band, t, "square", 587), tone(ctx, band, t, "square", 845)], t, 0.34);
    },
    // A wood-block knock.
    perc: function (ctx, out, t, loud) {
      var gain = envelope(ctx, out, t, 0.3 * loud, 0.0005, 0.06);
      return play([tone(ctx, gain, t, "sine", 1050, [980, 0.05]), tone(ctx, gain, t, "triangle", 1580)], t, 0.07);
    },
    // A simple synth voice at the event's note, held for its length.
    bass: function (ctx, out, t, loud, event, secondsPerPip) {
      var hold = Math.max(0.03, (event.length || 16) * secondsPerPip);
      var peak = 0.42 * loud;
      var gain = ctx.createGain();
      gain.gain.setValueAtTime(0, t);
      gain.gain.linearRampToValueAtTime(peak, t + 0.004);
      gain.gain.setValueAtTime(peak, t + hold);
      gain.gain.linearRampToValueAtTime(0, t + hold + 0.04);
      gain.connect(out);
      var low = filter(ctx, gain, "lowpass", 420, 3);
      low.frequency.setValueAtTime(1400, t);
      low.frequency.exponentialRampToValueAtTime(380, t + Math.min(hold, 0.25));
      var hz = midiHz(event.note === undefined ? 36 : event.note);
      return play([tone(ctx, low, t, "sawtooth", hz), tone(ctx, gain, t, "sine", hz)], t, hold + 0.05);
    },
    // The metronome.
    click: function (ctx, out, t, loud, event) {
      var gain = envelope(ctx, out, t, 0.5 * loud, 0.0005, 0.035);
      return play([tone(ctx, gain, t, "sine", event.accent ? 1760 : 1175)], t, 0.045);
    }
  };

  // Loudness from velocity: more spread than linear, as a player's touch.
  function loudness(velocity) { return Math.pow(velocity, 1.5); }

  PW.audio = {
    lanes: Object.keys(VOICES),

    // Every event of `programme` ({period, events: [{lane, pip, velocity,
    // note, length}]}, looping every `period` pips from beat 0) whose beat
    // lies in [fromBeat, toBeat), sent to `out` at timeOfBeat(beat) on
    // `ctx`'s clock. Returns what was scheduled: [{beat, time, lane,
    // sources}], so that a caller can stop what has not started yet.
    schedule: function (ctx, out, programme, fromBeat, toBeat, timeOfBeat) {
      var ppb = PW.pipsPerBeat || 64, scheduled = [];
      if (!(toBeat > fromBeat)) return scheduled;
      var cycleBeats = programme.period / ppb;
      var secondsPerPip = (timeOfBeat(fromBeat + 1) - timeOfBeat(fromBeat)) / ppb;
      for (var cycle = Math.floor(fromBeat / cycleBeats); cycle * cycleBeats < toBeat; cycle++) {
        programme.events.forEach(function (event) {
          var beat = cycle * cycleBeats + event.pip / ppb;
          if (beat < fromBeat || beat >= toBeat) return;
          var voice = VOICES[event.lane] || VOICES.perc;
          var time = timeOfBeat(beat);
          var sources = voice(ctx, out, Math.max(time, 0), loudness(event.velocity), event, secondsPerPip);
          scheduled.push({ beat: beat, time: time, lane: event.lane, sources: sources });
        });
      }
      return scheduled;
    },

    // The metronome as a programme: a click every beat, the first of each bar louder.
    metronome: {
      period: 256,
      events: [0, 64, 128, 192].map(function (pip) {
        return { lane: "click", pip: pip, velocity: pip ? 0.75 : 1, accent: pip === 0 };
      })
    },

    // Stop what was scheduled and has not started by `time`.
    cancel: function (scheduled, time) {
      return scheduled.filter(function (item) {
        if (item.time <= time) return true;
        item.sources.forEach(function (source) {
          try { source.stop(0); } catch (error) { /* never started: nothing to stop */ }
          try { source.disconnect(); } catch (error) { /* already disconnected */ }
        });
        return false;
      });
    }
  };
})(window.PW = window.PW || {});
