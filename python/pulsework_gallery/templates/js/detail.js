// The detail view of one pattern: its picture large, x, y and z against time
// over one period with beat and bar lines (an SVG plot), a live readout, the
// desk controls, the stagger view as a second tab, and what to take away.
(function (PW) {
  "use strict";

  var SVG = "http://www.w3.org/2000/svg";
  var STAGE = 420, PLOT_H = 420, LEFT = 30, RIGHT = 8, TOP = 22, LANE_GAP = 10;
  var overlay, stage, plot, readout, readoutParts, current = null, view = "detail";
  var bigView = null, layers = null, plotState = null, stageSize = STAGE, drawn = [0], ways = [1];

  function svg(tag, attrs, parent) {
    var node = document.createElementNS(SVG, tag);
    for (var key in attrs) node.setAttribute(key, attrs[key]);
    if (parent) parent.appendChild(node);
    return node;
  }

  // As large as the room allows, up to STAGE pixels square.
  function fitStage() {
    var room = PW.byId("view-detail").getBoundingClientRect().width || STAGE;
    stageSize = Math.max(200, Math.min(STAGE, Math.floor(room)));
    stage.style.width = stage.style.height = stageSize + "px";
  }

  function drawStage(pattern) {
    PW.releaseLayers(layers);
    fitStage();
    layers = PW.layers(stage, stageSize, stageSize);
    var shaped = PW.shaping.shaped(pattern);
    bigView = PW.pictureView(10, 10, stageSize - 20, stageSize - 20, shaped);
    var ctx = layers.still.getContext("2d");
    PW.drawFrame(ctx, bigView);
    PW.drawTrace(ctx, bigView, shaped, 1.6, PW.tint(pattern));
    if (bigView.kind === "path") PW.drawGizmo(ctx, 4, stageSize - 4, bigView.is3d);
  }

  // Lanes for x, y and z as shaped (the fades aside) against the pattern's
  // own pips; one beat line per beat of the cycle, the first of every four
  // beats (a bar) marked as a bar line; labels where they fit.
  function drawPlot(pattern) {
    plot.textContent = "";
    var width = Math.max(320, Math.round(plot.getBoundingClientRect().width) || 640);
    plot.setAttribute("viewBox", "0 0 " + width + " " + PLOT_H);
    var period = pattern.period, ppb = PW.pipsPerBeat, table = PW.table(PW.shaping.shaped(pattern));
    var plotWidth = width - LEFT - RIGHT;
    var laneHeight = (PLOT_H - TOP - 2 * LANE_GAP - 2) / 3;
    var lanes = [];
    for (var c = 0; c < 3; c++) {
      var top = TOP + c * (laneHeight + LANE_GAP);
      lanes.push({ top: top, mid: top + laneHeight / 2, half: laneHeight / 2 - 4 });
      svg("rect", { class: "lane-bg", x: LEFT, y: top, width: plotWidth, height: laneHeight }, plot);
      var middle = top + laneHeight / 2;
      svg("line", { class: "zero", x1: LEFT, x2: LEFT + plotWidth, y1: middle, y2: middle }, plot);
      var label = svg("text", { class: "lane-label", x: 8, y: middle + 4, fill: PW.laneColors[c] }, plot);
      label.textContent = "xyz"[c];
    }
    var bottom = TOP + 3 * laneHeight + 2 * LANE_GAP;
    var beats = Math.ceil(period / ppb);
    var beatWidth = plotWidth * ppb / period;
    var barWidth = beatWidth * 4;
    var barEvery = Math.max(1, Math.ceil(34 / barWidth));
    var grid = svg("g", { class: "grid" }, plot);
    for (var beat = 0; beat < beats; beat++) {
      var x = (LEFT + beat * beatWidth).toFixed(2);
      var isBar = beat % 4 === 0;
      svg("line", { class: isBar ? "beat-line bar-line" : "beat-line", x1: x, x2: x, y1: TOP - 4, y2: bottom,
                    "data-beat": beat + 1 }, grid);
      if (isBar && (beat / 4) % barEvery === 0) {
        var barLabel = svg("text", { class: "bar-label", x: Number(x) + 3, y: TOP - 8 }, grid);
        barLabel.textContent = "bar " + (beat / 4 + 1);
      } else if (!isBar && beatWidth >= 22 && barWidth >= 90) {
        var beatLabel = svg("text", { class: "beat-label", x: Number(x) + 3, y: TOP - 8 }, grid);
        beatLabel.textContent = String(beat % 4 + 1);
      }
    }
    for (var k = 0; k < 3; k++) {
      var d = [];
      var lane = lanes[k];
      PW.lanePath(table, k, period, plotWidth, function (px, v, first) {
        d.push((first ? "M" : "L") + (LEFT + px).toFixed(2) + " " + (lane.mid - v * lane.half).toFixed(2));
      });
      svg("path", { class: "curve", d: d.join(""), stroke: PW.laneColors[k] }, plot);
    }
    var head = svg("line", { class: "playhead", x1: LEFT, x2: LEFT, y1: TOP - 4, y2: bottom }, plot);
    var dots = [0, 1, 2].map(function (c) {
      var attrs = { class: "dot", r: 3.5, cx: LEFT, cy: lanes[c].mid, fill: PW.laneColors[c] };
      return svg("circle", attrs, plot);
    });
    plotState = { width: plotWidth, lanes: lanes, head: head, dots: dots };
  }

  // The plot is in the pattern's own pips: the clock goes to where the row's
  // time shows that pip (played backwards, minus that pip; in ping-pong, on
  // its way there in the first half of the cycle), at the speed's rate.
  function seekFromPointer(event) {
    if (!current || !plotState) return;
    var box = plot.getBoundingClientRect();
    var x = (event.clientX - box.left) * (plotState.width + LEFT + RIGHT) / box.width - LEFT;
    var pip = Math.min(current.period - 1e-6, Math.min(1, Math.max(0, x / plotState.width)) * current.period);
    var state = PW.shaping.get(), rate = state.speed[0] / state.speed[1];
    var cycle = state.pingpong ? 2 * current.period : current.period;
    PW.clock.seek(cycle / rate, PW.mod(state.reverse ? -pip : pip, cycle) / rate);
  }

  function buildReadout() {
    readout.textContent = "";
    readoutParts = {};
    ["pip", "beat", "x", "y", "z"].forEach(function (key, index) {
      if (index) readout.appendChild(document.createTextNode(index === 1 ? "  \u00b7  " : "   "));
      readout.appendChild(document.createTextNode(key + " "));
      readoutParts[key] = readout.appendChild(PW.el("b"));
    });
  }

  function selectTab(name) {
    view = name;
    PW.byId("view-detail").hidden = name !== "detail";
    PW.byId("view-stagger").hidden = name !== "stagger";
    PW.byId("tab-detail").setAttribute("aria-selected", String(name === "detail"));
    PW.byId("tab-stagger").setAttribute("aria-selected", String(name === "stagger"));
    if (name === "stagger") PW.stagger.open(current); else PW.stagger.close();
    if (name === "detail") { drawStage(current); drawPlot(current); }
    PW.takeaway.show(current, name);
    PW.clock.dirty = true;
  }

  function redraw() {
    if (!current) return;
    if (view === "detail") { drawStage(current); drawPlot(current); }
    PW.takeaway.show(current, view);
    PW.clock.dirty = true;
    PW.url.writeSoon();
  }

  PW.detail = {
    init: function () {
      overlay = PW.byId("detail");
      stage = PW.byId("detail-stage");
      plot = PW.byId("detail-plot");
      readout = PW.byId("detail-readout");
      buildReadout();
      PW.shaping.onChange(redraw);
      PW.byId("detail-close").addEventListener("click", function () { PW.closeOverlays(); });
      overlay.addEventListener("click", function (event) {
        if (event.target === overlay) PW.closeOverlays();
      });
      ["detail", "stagger"].forEach(function (name) {
        PW.byId("tab-" + name).addEventListener("click", function () {
          selectTab(name);
          PW.url.write();
        });
      });
      PW.byId("detail-pin").addEventListener("click", function () {
        if (current) PW.compare.toggle(current);
      });
      var dragging = false;
      plot.addEventListener("pointerdown", function (event) {
        dragging = true;
        plot.setPointerCapture(event.pointerId);
        seekFromPointer(event);
      });
      plot.addEventListener("pointermove", function (event) { if (dragging) seekFromPointer(event); });
      plot.addEventListener("pointerup", function () { dragging = false; });
      window.addEventListener("resize", function () {
        if (current && view === "detail") { drawStage(current); drawPlot(current); }
      });
    },

    open: function (pattern, name) {
      name = name === "stagger" ? "stagger" : "detail";
      if (!overlay.hidden && current === pattern && view === name) return;
      var opening = overlay.hidden;
      current = pattern;
      PW.byId("detail-name").textContent = pattern.name;
      PW.byId("detail-meta").textContent = PW.beatsText(pattern.period) + " (" + pattern.period +
        " pips) \u00b7 " + pattern.dims + "D \u00b7 " + pattern.group + " \u00b7 family " + pattern.family;
      PW.byId("detail-desc").textContent = pattern.description;
      PW.detail.showPinned();
      if (PW.sound) PW.sound.slot(PW.byId("detail-sound"), pattern);
      overlay.hidden = false;
      document.body.style.overflow = "hidden";
      PW.transport.dock(PW.byId("detail-dock"));
      selectTab(name);
      if (opening) {
        overlay.scrollTop = 0;
        PW.byId("detail-name").focus({ preventScroll: true });
      }
    },

    close: function () {
      if (overlay.hidden) return false;
      overlay.hidden = true;
      document.body.style.overflow = "";
      PW.stagger.close();
      PW.releaseLayers(layers);
      layers = null;
      var was = current;
      current = null;
      PW.transport.dock(null);
      if (was && was.card && was.card.focus) was.card.focus({ preventScroll: true });
      PW.clock.dirty = true;
      return true;
    },

    showPinned: function () {
      if (!current) return;
      var pinned = PW.compare.isPinned(current);
      var button = PW.byId("detail-pin");
      button.setAttribute("aria-pressed", String(pinned));
      button.textContent = pinned ? "Pinned" : "Pin";
    },

    isOpen: function () { return current !== null; },
    pattern: function () { return current; },
    view: function () { return view; },

    // Copy 0 of the shaping, drawn between whole pips; the readout is its
    // position at the whole pip, as a program computes it.
    animate: function (pip) {
      if (!current) return;
      if (view === "stagger") { PW.stagger.animate(pip); return; }
      var motion = PW.shaping.motion(current, 1), whole = Math.floor(pip);
      motion.drawPips(pip, drawn, ways);
      var style = { radius: 7, way: ways[0], level: motion.level(whole), centre: PW.shaping.get().centre };
      var ctx = PW.clear(layers.live);
      var p = PW.drawMarker(ctx, bigView, PW.shaping.shaped(current), drawn[0], style);
      var x = (LEFT + PW.mod(drawn[0], current.period) / current.period * plotState.width).toFixed(2);
      plotState.head.setAttribute("x1", x);
      plotState.head.setAttribute("x2", x);
      plotState.dots.forEach(function (dot, c) {
        dot.setAttribute("cx", x);
        dot.setAttribute("cy", (plotState.lanes[c].mid - p[c] * plotState.lanes[c].half).toFixed(2));
      });
      var at = motion.patternPips(whole)[0], position = motion.positions(whole)[0];
      readoutParts.pip.textContent = at + " of " + current.period;
      readoutParts.beat.textContent = (at / PW.pipsPerBeat + 1).toFixed(2);
      readoutParts.x.textContent = PW.signed(position[0], 3);
      readoutParts.y.textContent = PW.signed(position[1], 3);
      readoutParts.z.textContent = PW.signed(position[2], 3);
    }
  };
})(window.PW = window.PW || {});
