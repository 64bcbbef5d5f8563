// Start-up, the shared transport, the address and the one animation loop.
(function (PW) {
  "use strict";

  var tempoInput, tempoSlider, playButton, clockLabel, clockText = "";

  // The address keeps the open pattern, its view and the tempo:
  //   index.html#pattern=helix&view=stagger&copies=8&bpm=96
  PW.url = {
    params: function () {
      var params = new URLSearchParams();
      var pattern = PW.detail.pattern();
      if (pattern) {
        params.set("pattern", pattern.name);
        if (PW.detail.view() === "stagger") {
          params.set("view", "stagger");
          params.set("copies", String(PW.stagger.copies()));
        }
      }
      if (pattern || PW.clock.bpm !== PW.startTempo) params.set("bpm", String(PW.clock.bpm));
      return params.toString();
    },

    write: function () {
      var hash = PW.url.params();
      var base = location.href.split("#")[0];
      PW.byId("permalink").href = base + "#" + hash;
      if (location.hash.slice(1) !== hash) history.replaceState(null, "", hash ? "#" + hash : base);
    },

    read: function () {
      var params = new URLSearchParams(location.hash.slice(1));
      if (params.has("bpm")) setTempo(params.get("bpm"), false);
      if (params.has("copies")) PW.stagger.setCopies(params.get("copies"));
      var pattern = PW.byName[params.get("pattern") || ""];
      if (pattern) PW.detail.open(pattern, params.get("view") === "stagger" ? "stagger" : "detail");
      else PW.detail.close();
    }
  };

  var pendingWrite = null;
  function writeSoon() {
    if (pendingWrite) clearTimeout(pendingWrite);
    pendingWrite = setTimeout(function () { pendingWrite = null; PW.url.write(); }, 250);
  }

  function setTempo(value, fromUser) {
    if (!PW.clock.setTempo(value)) return;
    var bpm = Math.round(PW.clock.bpm * 100) / 100;
    PW.clock.bpm = bpm;
    if (Number(tempoInput.value) !== bpm || document.activeElement !== tempoInput) tempoInput.value = bpm;
    tempoSlider.value = bpm;
    if (fromUser) writeSoon();
  }

  function setPlaying(playing) {
    PW.clock.setPlaying(playing);
    playButton.innerHTML = playing ? "&#10074;&#10074;" : "&#9654;";
    playButton.setAttribute("aria-label", playing ? "Pause" : "Play");
  }

  function updateClock() {
    var beats = Math.floor(PW.clock.beats);
    var text = "bar " + (Math.floor(beats / 4) + 1) + " \u00b7 beat " + (PW.mod(beats, 4) + 1);
    if (text !== clockText) {
      clockText = text;
      clockLabel.textContent = text;
    }
  }

  function typing(target) {
    return target && ["INPUT", "SELECT", "TEXTAREA"].indexOf(target.tagName) !== -1;
  }

  function initTransport() {
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
    document.addEventListener("keydown", function (event) {
      if (event.key === "Escape" && PW.detail.isOpen()) { PW.detail.close(); return; }
      if (typing(event.target) || event.altKey || event.ctrlKey || event.metaKey) return;
      if (event.key === " " && !(event.target.closest && event.target.closest("button, .card"))) {
        event.preventDefault();
        setPlaying(!PW.clock.playing);
      } else if (event.key === "Home") {
        PW.clock.restart();
      } else if (event.key === "/" && !PW.detail.isOpen()) {
        event.preventDefault();
        PW.filters.focusSearch();
      }
    });
  }

  function frame(now) {
    PW.clock.tick(now);
    if (PW.clock.dirty) {
      PW.clock.dirty = false;
      var pip = PW.clock.pip();
      if (PW.detail.isOpen()) PW.detail.animate(pip); else PW.cards.animate(pip);
      updateClock();
    }
    requestAnimationFrame(frame);
  }

  function start() {
    PW.loadData();
    initTransport();
    // Everything still until asked, for those who ask their system for less motion.
    if (window.matchMedia && window.matchMedia("(prefers-reduced-motion: reduce)").matches) setPlaying(false);
    PW.detail.init();
    PW.stagger.init();
    var built = PW.cards.build(PW.byId("grid"));
    PW.filters.init();
    built.then(function () {
      requestAnimationFrame(function () {
        document.documentElement.dataset.readyMs = performance.now().toFixed(1);
        document.documentElement.dataset.state = "ready";
      });
    });
    PW.url.read();
    window.addEventListener("hashchange", PW.url.read);
    requestAnimationFrame(frame);
  }

  if (document.readyState === "loading") document.addEventListener("DOMContentLoaded", start);
  else start();
})(window.PW = window.PW || {});
