// One card per pattern. Cards are plain DOM; their canvases are created when
// a card comes near the screen and released when it leaves, so only the
// cards in view cost drawing and memory. Traces are drawn once per showing;
// each frame redraws only the small live layer (marker, trail, playhead).
// A pattern that moves along one axis only shows that axis against time as
// its picture, with its real motion small underneath; members of a family
// that shares one description carry what tells them apart (the variant part
// of the name, large, and a trace colour of their own).
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
    if (pattern.variant !== undefined) {
      card.classList.add("variant-card");
      var badge = stage.appendChild(PW.el("span", "variant", pattern.variant));
      badge.title = "What sets " + pattern.name + " apart from the " + (pattern.members - 1) +
                    " other patterns of the same description";
    }
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
    card.appendChild(PW.el("p", pattern.members ? "desc shared" : "desc", pattern.description));
    pattern.card = card;
    pattern.stage = stage;
    pattern.beatLabel = beat;
    pattern.beatText = "";
    return card;
  }

  // The card's buttons (pin, and sound for a groove) are made the first time
  // it comes into view: most cards of a long page never do.
  function addTools(pattern) {
    var tools = pattern.stage.appendChild(PW.el("span", "card-tools"));
    if (pattern.groove) {
      pattern.soundSlot = tools.appendChild(PW.el("span", "sound-slot"));
      PW.sound.slot(pattern.soundSlot, pattern);
    }
    var pin = tools.appendChild(PW.el("button", "pin", "pin"));
    pin.type = "button";
    pin.dataset.action = "pin";
    pin.title = "Pin to compare side by side";
    pin.setAttribute("aria-label", "Pin " + pattern.name + " to compare");
    pin.setAttribute("aria-pressed", String(PW.compare.isPinned(pattern)));
    pattern.pinButton = pin;
  }

  function show(pattern) {
    if (pattern.layers) return;
    if (!pattern.pinButton) addTools(pattern);
    pattern.layers = PW.layers(pattern.stage, WIDTH, HEIGHT);
    var ctx = pattern.layers.still.getContext("2d");
    pattern.view = PW.pictureView(0, 0, WIDTH, TRACE, pattern);
    PW.drawFrame(ctx, pattern.view);
    PW.drawTrace(ctx, pattern.view, pattern, 1, PW.tint(pattern));
    if (pattern.view.kind === "time") PW.drawGauge(ctx, LANE_BOX, pattern.axis);
    else PW.drawLanes(ctx, LANE_BOX, pattern);
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
    if (pattern.view.kind === "time") PW.drawGaugeMarker(ctx, LANE_BOX, pattern.axis, position[pattern.axis]);
    else PW.drawPlayhead(ctx, LANE_BOX, pattern, pip, position);
    var text = PW.beatOf(pattern, pip);
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
        if (!card) return;
        var pattern = PW.patterns[card.dataset.index];
        var button = event.target.closest("button");
        if (button && button.dataset.action === "pin") PW.compare.toggle(pattern);
        else if (!button) PW.show.pattern(pattern, "detail");
      });
      // Enter opens a card; the space bar is the transport's, wherever focus is.
      grid.addEventListener("keydown", function (event) {
        var card = event.target.closest(".card");
        if (card && event.target === card && event.key === "Enter") {
          event.preventDefault();
          PW.show.pattern(PW.patterns[card.dataset.index], "detail");
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
