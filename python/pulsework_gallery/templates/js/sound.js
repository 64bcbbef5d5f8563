// Live sound: a groove pattern's drum programme (one at a time), and a
// metronome click for any pattern. Nothing sounds before a click: the audio
// context is made by the first sound control pressed. From then on the clock
// counts on the audio clock at the sample the speakers are playing, and
// sound is scheduled a little ahead on that same clock, so marker and sound
// stay locked at any tempo; a tempo change, a pause or a jump of the clock
// stops what was scheduled ahead and schedules it again from the present.
(function (PW) {
  "use strict";

  // How far ahead sound is scheduled: little, so that changes are heard at
  // once; more in a hidden tab, whose timers the browser slows down.
  // A hit that should have started a moment ago (when the schedule was
  // just renewed) still sounds, at once; older ones are dropped, not piled up.
  var AHEAD_S = 0.18, HIDDEN_AHEAD_S = 1.5, LATE_S = 0.03, PUMP_MS = 25;
  var ctx = null, master = null, playing = null, metronome = false, volume = 0.7, muted = false;
  var scheduled = [], scheduledTo = null, renewedAt = 0, keptTo = {}, timer = null;
  var scheduledCount = 0;
  var buttons = new Map();  // groove pattern -> its play buttons (card, detail, compare)

  function audioContextClass() {
    return window.AudioContext || window.webkitAudioContext || null;
  }

  // The audio clock's time of the sample leaving the speakers now (or at a
  // frame's time), in the context's seconds.
  function heardTime(frameMs) {
    var stamp = ctx.getOutputTimestamp ? ctx.getOutputTimestamp() : null;
    if (stamp && stamp.performanceTime > 0 && stamp.contextTime > 0) {
      var perf = frameMs === undefined ? performance.now() : frameMs;
      return stamp.contextTime + (perf - stamp.performanceTime) / 1000;
    }
    return ctx.currentTime - (ctx.outputLatency || ctx.baseLatency || 0);
  }

  function ensureContext() {
    if (ctx) {
      if (ctx.state === "suspended") ctx.resume();
      return true;
    }
    var Context = audioContextClass();
    if (!Context) {
      PW.notice("This browser has no Web Audio: the gallery cannot play sound here.");
      return false;
    }
    ctx = new Context({ latencyHint: "interactive" });
    master = ctx.createGain();
    master.connect(ctx.destination);
    applyVolume();
    // The clock follows the audio clock while it runs, and the page's own
    // timer while the browser holds the audio back.
    var follow = function () {
      PW.clock.setSource(ctx.state === "running" ? heardTime : null);
      restart();
    };
    ctx.addEventListener("statechange", follow);
    follow();
    timer = setInterval(pump, PUMP_MS);
    if (ctx.state === "suspended") ctx.resume();
    return true;
  }

  function applyVolume() {
    if (!master) return;
    var level = muted ? 0 : volume * volume;
    master.gain.setTargetAtTime(level, ctx.currentTime, 0.015);
  }

  // Stop what is scheduled ahead; the next pump schedules again from now.
  // What has already gone to the speakers stays, and is not scheduled twice:
  // the new schedule starts after its last beat, unless the clock jumped
  // (`jump`), or another groove starts.
  function restart(jump) {
    if (!ctx) return;
    renewedAt = ctx.currentTime;
    scheduled = PW.audio.cancel(scheduled, renewedAt);
    scheduledTo = null;
    keptTo = { groove: -Infinity, metronome: -Infinity };
    if (jump) return;
    scheduled.forEach(function (item) { keptTo[item.part] = Math.max(keptTo[item.part], item.beat); });
  }

  function pump() {
    if (!ctx || ctx.state !== "running" || !PW.clock.playing || (!playing && !metronome)) return;
    var now = ctx.currentTime;
    scheduled = scheduled.filter(function (item) { return item.time > now - 2; });
    var from = PW.clock.beatAt(Math.max(now - LATE_S, scheduledTo === null ? renewedAt : -Infinity));
    if (scheduledTo !== null && scheduledTo > from) from = scheduledTo;
    var to = PW.clock.beatAt(now + (document.hidden ? HIDDEN_AHEAD_S : AHEAD_S));
    if (!(to > from)) return;
    if (playing) add("groove", playing.groove, from, to);
    if (metronome) add("metronome", PW.audio.metronome, from, to);
    scheduledTo = to;
  }

  function add(part, programme, from, to) {
    // Where the schedule was renewed, start just after the last beat already sent.
    if (scheduledTo === null && keptTo[part] >= from) from = keptTo[part] + 1e-9;
    var items = PW.audio.schedule(ctx, master, programme, from, to, function (beat) {
      return PW.clock.timeOfBeat(beat);
    });
    items.forEach(function (item) { item.part = part; });
    scheduledCount += items.length;
    Array.prototype.push.apply(scheduled, items);
  }

  function paint(button, pattern) {
    var on = playing === pattern;
    button.setAttribute("aria-pressed", String(on));
    button.textContent = on ? "\u25a0 stop" : "\u25b6 sound";
    button.title = (on ? "Stop " : "Hear ") + "the drum programme of " + pattern.groove.name;
  }

  function showButtons() {
    buttons.forEach(function (set, pattern) {
      set.forEach(function (button) {
        // Buttons of views since closed go; a card's stays while hidden by a filter.
        if (!button.isConnected && button !== pattern.cardSoundButton) set.delete(button);
        else paint(button, pattern);
      });
      if (pattern.card) pattern.card.classList.toggle("sounding", playing === pattern);
    });
  }

  function toggleGroove(pattern) {
    if (playing === pattern) {
      playing = null;
      restart();
    } else {
      if (!ensureContext()) return;
      playing = pattern;
      restart(true);
      if (!PW.clock.playing) PW.transport.setPlaying(true);
    }
    showButtons();
    pump();
  }

  PW.sound = {
    init: function () {
      var clickButton = PW.byId("metronome"), muteButton = PW.byId("mute"), slider = PW.byId("volume");
      clickButton.addEventListener("click", function () {
        if (!metronome && !ensureContext()) return;
        metronome = !metronome;
        clickButton.setAttribute("aria-pressed", String(metronome));
        restart();
        pump();
      });
      muteButton.addEventListener("click", function () {
        muted = !muted;
        muteButton.setAttribute("aria-pressed", String(muted));
        muteButton.textContent = muted ? "Muted" : "Mute";
        applyVolume();
      });
      slider.addEventListener("input", function () {
        volume = Number(slider.value) / 100;
        applyVolume();
      });
      volume = Number(slider.value) / 100;
      PW.clock.onChange(function (what) {
        if (what !== "source") restart(what === "seek");
      });
    },

    // A play control for `pattern`'s groove in `container` (replacing what
    // was there); nothing for a pattern without one.
    slot: function (container, pattern) {
      Array.prototype.forEach.call(container.querySelectorAll("button.sound"), function (old) {
        buttons.forEach(function (set) { set.delete(old); });
      });
      container.textContent = "";
      if (!pattern.groove) return;
      var button = PW.el("button", "sound");
      button.type = "button";
      button.dataset.action = "sound";
      button.addEventListener("click", function (event) {
        event.stopPropagation();
        toggleGroove(pattern);
      });
      container.appendChild(button);
      if (container === pattern.soundSlot) pattern.cardSoundButton = button;
      if (!buttons.has(pattern)) buttons.set(pattern, new Set());
      buttons.get(pattern).add(button);
      paint(button, pattern);
    },

    pump: pump,

    // For tools and tests.
    context: function () { return ctx; },
    playing: function () { return playing; },
    stats: function () { return { scheduled: scheduledCount, pending: scheduled.length }; },
    scheduledItems: function () { return scheduled.slice(); },
    heardTime: function (frameMs) { return ctx ? heardTime(frameMs) : null; }
  };
})(window.PW = window.PW || {});
