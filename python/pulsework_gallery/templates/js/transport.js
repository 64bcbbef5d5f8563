// The shared transport (play and pause, back to beat 1, tempo, tap tempo,
// the clock) and the keyboard. There is one transport: it sits in the page
// header, and moves into the detail, stagger or compare view while one is
// open, so it is always at hand above whatever covers the header.
(function (PW) {
  "use strict";

  var transport, home, tempoInput, tempoSlider, playButton, clockLabel, clockText = "";
  var taps = [];
  var TAP_RESET_S = 2;

  function setTempo(value, fromUser) {
    if (!PW.clock.setTempo(value)) return;
    var bpm = Math.round(PW.clock.bpm * 100) / 100;
    PW.clock.bpm = bpm;
    if (Number(tempoInput.value) !== bpm || document.activeElement !== tempoInput) tempoInput.value = bpm;
    tempoSlider.value = bpm;
    if (fromUser) PW.url.writeSoon();
  }

  function setPlaying(playing) {
    PW.clock.setPlaying(playing);
    playButton.innerHTML = playing ? "&#10074;&#10074;" : "&#9654;";
    playButton.setAttribute("aria-label", playing ? "Pause" : "Play");
  }

  // Tap tempo: the mean interval of the taps so far, from the second tap on;
  // a pause of two seconds starts a new count.
  function tap() {
    var now = performance.now() / 1000;
    if (taps.length && now - taps[taps.length - 1] > TAP_RESET_S) taps = [];
    taps.push(now);
    if (taps.length > 8) taps.shift();
    if (taps.length < 2) return;
    var seconds = (taps[taps.length - 1] - taps[0]) / (taps.length - 1);
    setTempo(60 / seconds, true);
  }

  // Text fields keep the keys they type with, and a check box the space that
  // ticks it; everywhere else (buttons, cards, sliders, lists, boxes) the
  // shortcuts win.
  var TEXT_TYPES = ["text", "search", "email", "url", "tel", "password"];
  function ownsKey(target, key) {
    if (!target || !target.tagName) return false;
    if (target.isContentEditable || target.tagName === "TEXTAREA") return key !== "Escape";
    if (target.tagName !== "INPUT") return false;
    if (TEXT_TYPES.indexOf(target.type) !== -1) return key !== "Escape";
    if (target.type === "number") return key === "Home" || key === "End";
    if (target.type === "checkbox") return key === " ";
    return false;
  }

  var SHORTCUT_KEYS = [" ", "Home", "/", "Escape", "t", "T"];

  function onKeyDown(event) {
    if (event.altKey || event.ctrlKey || event.metaKey) return;
    var key = event.key;
    if (SHORTCUT_KEYS.indexOf(key) === -1 || ownsKey(event.target, key)) return;
    event.preventDefault();
    event.stopPropagation();
    if (event.repeat && key !== "Home") return;
    if (key === " ") {
      setPlaying(!PW.clock.playing);
    } else if (key === "Home") {
      PW.clock.restart();
    } else if (key === "/") {
      PW.closeOverlays();
      PW.filters.focusSearch();
    } else if (key === "Escape") {
      PW.closeOverlays();
    } else {
      tap();
    }
  }

  // A focused button would take the space bar's release as a click.
  function onKeyUp(event) {
    if (event.key === " " && !ownsKey(event.target, " ")) {
      event.preventDefault();
      event.stopPropagation();
    }
  }

  function updateClock() {
    var beats = Math.floor(PW.clock.beats);
    var text = "bar " + (Math.floor(beats / 4) + 1) + " \u00b7 beat " + (PW.mod(beats, 4) + 1);
    if (text !== clockText) {
      clockText = text;
      clockLabel.textContent = text;
    }
  }

  PW.transport = {
    init: function () {
      transport = PW.byId("transport");
      home = transport.parentNode;
      tempoInput = PW.byId("tempo");
      tempoSlider = PW.byId("tempo-slider");
      playButton = PW.byId("play");
      clockLabel = PW.byId("clock");
      tempoInput.min = tempoSlider.min = PW.MIN_TEMPO;
      tempoInput.max = tempoSlider.max = PW.MAX_TEMPO;
      setTempo(PW.startTempo, false);
      tempoInput.addEventListener("input", function () {
        if (tempoInput.value !== "" && tempoInput.checkValidity()) setTempo(tempoInput.value, true);
      });
      tempoInput.addEventListener("change", function () { setTempo(tempoInput.value || PW.clock.bpm, true); });
      tempoSlider.addEventListener("input", function () { setTempo(tempoSlider.value, true); });
      playButton.addEventListener("click", function () { setPlaying(!PW.clock.playing); });
      PW.byId("restart").addEventListener("click", function () { PW.clock.restart(); });
      PW.byId("tap").addEventListener("click", tap);
      document.addEventListener("keydown", onKeyDown, true);
      document.addEventListener("keyup", onKeyUp, true);
    },

    // Put the transport into `place` (an overlay's dock), or back home.
    dock: function (place) {
      var target = place || home;
      if (transport.parentNode !== target) target.appendChild(transport);
    },

    setTempo: setTempo,
    setPlaying: setPlaying,
    updateClock: updateClock
  };
})(window.PW = window.PW || {});
