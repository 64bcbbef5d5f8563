// A song instead of a tempo (pulsework-gallery --song): the page plays the
// audio file beside it and the one clock follows the song's beat map, so
// every marker, and a groove's sound when it is on, keeps to the song's
// beats and bars. The map is [[seconds, pip], ...] for each beat, read as
// pulsework_motion's BeatMap reads it: even between beats, 64 pips a beat
// at the first or last interval beyond the ends. The song's time comes from
// the audio element, carried on between its coarse updates by the clock's
// own time source (the page's timer or the audio clock), and the clock
// never runs backwards except when the song is moved on purpose.
(function (PW) {
  "use strict";

  var doc = JSON.parse(document.getElementById("pw-data").textContent);
  var song = doc.song;
  if (!song) return;

  var TIMES = song.beats.map(function (beat) { return beat[0]; });
  var PIPS = song.beats.map(function (beat) { return beat[1]; });
  var PPB = doc.pipsPerBeat;
  var DRIFT_S = 0.03;   // the element's time may differ this much before we follow it
  var audio = null, anchor = null, seeking = false;

  // Index of the last beat at or before `value` in the increasing `list`.
  function before(list, value) {
    var low = 0, high = list.length - 1;
    if (value < list[0]) return -1;
    while (low < high) {
      var mid = (low + high + 1) >> 1;
      if (list[mid] <= value) low = mid; else high = mid - 1;
    }
    return low;
  }

  function pipAt(seconds) {
    var n = TIMES.length, i = before(TIMES, seconds);
    if (i < 0) return PIPS[0] - (TIMES[0] - seconds) * 64 / (TIMES[1] - TIMES[0]);
    if (i >= n - 1) return PIPS[n - 1] + (seconds - TIMES[n - 1]) * 64 / (TIMES[n - 1] - TIMES[n - 2]);
    return PIPS[i] + (PIPS[i + 1] - PIPS[i]) * (seconds - TIMES[i]) / (TIMES[i + 1] - TIMES[i]);
  }

  function secondsAt(pip) {
    var n = PIPS.length, i = before(PIPS, pip);
    if (i < 0) return TIMES[0] - (PIPS[0] - pip) * (TIMES[1] - TIMES[0]) / 64;
    if (i >= n - 1) return TIMES[n - 1] + (pip - PIPS[n - 1]) * (TIMES[n - 1] - TIMES[n - 2]) / 64;
    return TIMES[i] + (TIMES[i + 1] - TIMES[i]) * (pip - PIPS[i]) / (PIPS[i + 1] - PIPS[i]);
  }

  function localBpm(seconds) {
    var i = Math.min(Math.max(before(TIMES, seconds), 0), TIMES.length - 2);
    return 60 / (TIMES[i + 1] - TIMES[i]);
  }

  var clock = PW.clock;

  // The tempo controls, switched off, show the song's local tempo.
  function showTempo(bpm) {
    ["tempo", "tempo-slider"].forEach(function (id) {
      var control = document.getElementById(id);
      if (control) control.value = String(bpm);
    });
  }

  // Song seconds at the clock source's time `now`: the anchor carried on
  // while playing, re-read from the element when it has moved away.
  function songSeconds(now) {
    if (!audio) return 0;
    var element = audio.currentTime;
    if (!anchor || audio.paused || seeking || Math.abs(anchor.song + (now - anchor.at) - element) > DRIFT_S) {
      anchor = { song: element, at: now };
      seeking = false;
    }
    return audio.paused ? anchor.song : anchor.song + (now - anchor.at);
  }

  clock.tick = function (frameMs) {
    var now = this.source(frameMs);
    if (this.last !== null && now <= this.last) return;
    var seconds = songSeconds(now), beats = pipAt(seconds) / PPB;
    if (beats > this.beats || this.jumped) {
      this.beats = beats;
      this.dirty = true;
    }
    this.jumped = false;
    var bpm = Math.round(localBpm(seconds) * 10) / 10;
    if (bpm !== this.bpm) {
      this.bpm = bpm;
      showTempo(bpm);
    }
    this.last = now;
  };
  clock.beatAt = function (time) {
    if (this.last === null) this.tick();
    var seconds = anchor && !audio.paused ? anchor.song + (time - anchor.at) : songSeconds(time);
    return pipAt(seconds) / PPB;
  };
  clock.timeOfBeat = function (beat) {
    if (this.last === null) this.tick();
    var seconds = secondsAt(beat * PPB);
    return anchor ? anchor.at + (seconds - anchor.song) : this.last;
  };
  // The song keeps its own tempo: the tempo controls change nothing.
  clock.setTempo = function () { return false; };
  clock.setPlaying = function (playing) {
    if (!audio) return;
    if (playing) audio.play(); else audio.pause();
  };
  clock.restart = function () {
    if (audio) audio.currentTime = 0;
  };
  clock.seek = function (period, pip) {
    var start = Math.floor(this.pip() / period) * period;
    if (audio) audio.currentTime = Math.max(0, secondsAt(start + pip));
  };

  // A new time source (the audio clock, once sound is on) counts from its own zero.
  clock.onChange(function (what) { if (what === "source") anchor = null; });

  function build() {
    var transport = document.getElementById("transport");
    var panel = document.createElement("div");
    panel.className = "song";
    panel.style.cssText = "display:flex;align-items:center;justify-content:flex-end;gap:0.6em";
    panel.setAttribute("role", "group");
    panel.setAttribute("aria-label", "Song");
    audio = document.createElement("audio");
    audio.id = "song";
    audio.controls = true;
    audio.preload = "auto";
    audio.src = song.audio;
    audio.title = song.name;
    audio.style.height = "2.2em";
    var label = document.createElement("span");
    label.className = "song-name";
    label.textContent = song.name;
    panel.appendChild(label);
    panel.appendChild(audio);
    transport.parentNode.insertBefore(panel, transport.nextSibling);
    ["tempo", "tempo-slider", "tap"].forEach(function (id) {
      var control = document.getElementById(id);
      if (control) {
        control.disabled = true;
        control.title = "The song sets the tempo";
      }
    });
    function follow(what) {
      return function () {
        clock.playing = !audio.paused;
        // A pause holds the markers where the song stopped: they may have run
        // up to DRIFT_S ahead of the element's clock while it played.
        clock.jumped = what === "seek" || audio.paused;
        anchor = null;
        seeking = what === "seek";
        clock.tick();
        clock.dirty = true;
        clock.changed(what);
        if (what === "playing" && PW.transport) PW.transport.setPlaying(!audio.paused);
      };
    }
    audio.addEventListener("play", follow("playing"));
    audio.addEventListener("pause", follow("playing"));
    audio.addEventListener("seeked", follow("seek"));
    clock.playing = false;
    clock.beats = pipAt(0) / PPB;
    clock.dirty = true;
  }

  PW.song = {
    name: song.name,
    pipAt: pipAt,
    secondsAt: secondsAt,
    element: function () { return audio; }
  };

  if (document.readyState === "loading") document.addEventListener("DOMContentLoaded", build);
  else build();
})(window.PW = window.PW || {});
