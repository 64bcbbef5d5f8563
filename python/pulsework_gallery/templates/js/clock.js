// The one clock every pattern follows. It counts beats; a tempo change
// changes only how fast it counts from then on, so nothing jumps.
(function (PW) {
  "use strict";

  PW.MIN_TEMPO = 20;
  PW.MAX_TEMPO = 300;

  PW.clock = {
    beats: 0,
    bpm: 120,
    playing: true,
    last: null,
    dirty: true,

    tick: function (now) {
      if (this.playing && this.last !== null) {
        this.beats += (now - this.last) / 60000 * this.bpm;
        this.dirty = true;
      }
      this.last = now;
    },

    pip: function () { return this.beats * PW.pipsPerBeat; },

    setTempo: function (bpm) {
      bpm = Number(bpm);
      if (!isFinite(bpm)) return false;
      this.bpm = Math.min(PW.MAX_TEMPO, Math.max(PW.MIN_TEMPO, bpm));
      return true;
    },

    setPlaying: function (playing) {
      this.playing = playing;
      this.dirty = true;
    },

    restart: function () {
      this.beats = 0;
      this.dirty = true;
    },

    // Move to `pip` of the cycle of a pattern of `period` pips, staying in
    // the current cycle so that other patterns move only a little.
    seek: function (period, pip) {
      var now = this.pip();
      var start = Math.floor(now / period) * period;
      this.beats = (start + pip) / PW.pipsPerBeat;
      this.dirty = true;
    }
  };
})(window.PW = window.PW || {});
