// The one clock every pattern (and every sound) follows. It counts beats
// against a time source in seconds: the page's own timer, or, once sound is
// on, the audio clock at the sample the speakers are playing, so markers and
// sound read the same time. A tempo change changes only how fast it counts
// from then on, so nothing jumps; `timeOfBeat` maps a beat back to the
// source's time, which is how sound is scheduled.
(function (PW) {
  "use strict";

  PW.MIN_TEMPO = 20;
  PW.MAX_TEMPO = 300;

  function pageSeconds(frameMs) {
    return (frameMs === undefined ? performance.now() : frameMs) / 1000;
  }

  PW.clock = {
    beats: 0,
    bpm: 120,
    playing: true,
    last: null,
    dirty: true,
    source: pageSeconds,
    listeners: [],

    // Bring `beats` up to the source's present (or the frame's time).
    tick: function (frameMs) {
      var now = this.source(frameMs);
      // A frame's time can be a little older than a time already read.
      if (this.last !== null && now <= this.last) return;
      if (this.playing && this.last !== null) {
        this.beats += (now - this.last) / 60 * this.bpm;
        this.dirty = true;
      }
      this.last = now;
    },

    pip: function () { return this.beats * PW.pipsPerBeat; },

    // The source time at which the clock reaches `beat`, at the present tempo.
    timeOfBeat: function (beat) {
      if (this.last === null) this.tick();
      return this.last + (beat - this.beats) * 60 / this.bpm;
    },

    // The beat the clock shows at source time `time`.
    beatAt: function (time) {
      if (this.last === null) this.tick();
      return this.playing ? this.beats + (time - this.last) / 60 * this.bpm : this.beats;
    },

    // Count from now on with another time source, without a jump.
    setSource: function (source) {
      this.tick();
      this.source = source || pageSeconds;
      this.last = this.source();
      this.changed("source");
    },

    setTempo: function (bpm) {
      bpm = Number(bpm);
      if (!isFinite(bpm)) return false;
      this.tick();
      this.bpm = Math.min(PW.MAX_TEMPO, Math.max(PW.MIN_TEMPO, bpm));
      this.changed("tempo");
      return true;
    },

    setPlaying: function (playing) {
      this.tick();
      this.playing = playing;
      this.dirty = true;
      this.changed("playing");
    },

    restart: function () {
      this.tick();
      this.beats = 0;
      this.dirty = true;
      this.changed("seek");
    },

    // Move to `pip` of the cycle of a pattern of `period` pips, staying in
    // the current cycle so that other patterns move only a little.
    seek: function (period, pip) {
      this.tick();
      var now = this.pip();
      var start = Math.floor(now / period) * period;
      this.beats = (start + pip) / PW.pipsPerBeat;
      this.dirty = true;
      this.changed("seek");
    },

    // Whoever schedules ahead (the sound) hears of every jump and change.
    onChange: function (listener) { this.listeners.push(listener); },
    changed: function (what) {
      this.listeners.forEach(function (listener) { listener(what); });
    }
  };
})(window.PW = window.PW || {});
