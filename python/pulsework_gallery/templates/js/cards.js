// One card per pattern. Cards are plain DOM; their canvases are created when
// a card comes near the screen and released when it leaves, so only the
// cards in view cost drawing and memory. Traces are drawn once per showing;
// each frame redraws only the small live layer (marker, trail, playhead).
(function (PW) {
  "use strict";

  var WIDTH = 216, TRACE = 160, LANES = 40, GAP = 6, HEIGHT = TRACE + GAP + LANES;
  var LANE_BOX = { x: 0, y: TRACE + GAP, w: WIDTH, h: LANES };
  var shown = new Set();
  var observer = null;
  var firstDraw = null;

  function metaText(pattern) {
    return PW.beatsText(pattern.period) + " \u00b7 " + pattern.dims + "D \u00b7 " +
           pattern.group + " \u00b7 " + pattern.family;
  }

  function buildCard(pattern) {
    var card = PW.el("article", "card");
    card.tabIndex = 0;
    card.dataset.index = pattern.index;
    card.dataset.name = pattern.name;
    var stage = PW.el("div", "stage");
    var title = PW.el("div", "title");
    title.appendChild(PW.el("span", "name", pattern.name));
    var beat = PW.el("span", "beat", "");
    beat.title = "Beat of the pattern's cycle";
    title.appendChild(beat);
    var meta = PW.el("p", "meta", metaText(pattern));
    if (pattern.components > pattern.dims) {
      var warn = PW.el("span", "warn", " \u00b7 moves " + "xyz"[pattern.components - 1] +
                       " beyond its " + pattern.dims + "D");
      meta.appendChild(warn);
    }
    card.appendChild(stage);
    card.appendChild(title);
    card.appendChild(meta);
    card.appendChild(PW.el("p", "desc", pattern.description));
    pattern.card = card;
    pattern.stage = stage;
    pattern.beatLabel = beat;
    pattern.beatText = "";
    return card;
  }

  function show(pattern) {
    if (pattern.layers) return;
    pattern.layers = PW.layers(pattern.stage, WIDTH, HEIGHT);
    var ctx = pattern.layers.still.getContext("2d");
    pattern.view = PW.view(0, 0, WIDTH, TRACE, pattern.components);
    PW.drawFrame(ctx, pattern.view);
    PW.drawTrace(ctx, pattern.view, pattern, 1);
    PW.drawLanes(ctx, LANE_BOX, pattern);
    shown.add(pattern);
  }

  function hide(pattern) {
    if (!pattern.layers) return;
    PW.releaseLayers(pattern.layers);
    pattern.layers = null;
    shown.delete(pattern);
  }

  function animate(pattern, pip) {
    var ctx = PW.clear(pattern.layers.live);
    var position = PW.drawMarker(ctx, pattern.view, pattern, pip, { radius: 4.5 });
    PW.drawPlayhead(ctx, LANE_BOX, pattern, pip, position);
    var beats = Math.round(pattern.period / PW.pipsPerBeat * 1e6) / 1e6;
    var text = (Math.floor(PW.mod(pip, pattern.period) / PW.pipsPerBeat) + 1) + "/" + Math.ceil(beats);
    if (text !== pattern.beatText) {
      pattern.beatText = text;
      pattern.beatLabel.textContent = text;
    }
  }

  PW.cards = {
    build: function (grid) {
      var fragment = document.createDocumentFragment();
      PW.patterns.forEach(function (pattern) { fragment.appendChild(buildCard(pattern)); });
      grid.appendChild(fragment);
      grid.addEventListener("click", function (event) {
        var card = event.target.closest(".card");
        if (card) PW.detail.open(PW.patterns[card.dataset.index], "detail");
      });
      grid.addEventListener("keydown", function (event) {
        var card = event.target.closest(".card");
        if (card && (event.key === "Enter" || event.key === " ")) {
          event.preventDefault();
          PW.detail.open(PW.patterns[card.dataset.index], "detail");
        }
      });
      return new Promise(function (resolve) {
        firstDraw = resolve;
        observer = new IntersectionObserver(function (entries) {
          entries.forEach(function (entry) {
            var pattern = PW.patterns[entry.target.dataset.index];
            if (entry.isIntersecting) show(pattern); else hide(pattern);
          });
          PW.clock.dirty = true;
          if (firstDraw) { firstDraw(); firstDraw = null; }
        }, { rootMargin: "240px 0px" });
        PW.patterns.forEach(function (pattern) { observer.observe(pattern.card); });
      });
    },

    animate: function (pip) {
      shown.forEach(function (pattern) { animate(pattern, pip); });
    },

    shownCount: function () { return shown.size; }
  };
})(window.PW = window.PW || {});
