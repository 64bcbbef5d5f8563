// Compare: pin two to four patterns (on their cards or in the detail view)
// and see them side by side on the one clock. The pinned ones wait in a
// tray at the foot of the page.
(function (PW) {
  "use strict";

  var MAX = 4, WIDTH = 260, TRACE = 260, LANES = 56, GAP = 8;
  var pinned = [], overlay, grid, tray, trayList, openButton, panels = [];

  function refreshTray() {
    tray.hidden = pinned.length === 0;
    trayList.textContent = "";
    pinned.forEach(function (pattern) {
      var item = PW.el("li", "tray-item");
      item.appendChild(PW.el("span", "", pattern.name));
      var unpin = PW.el("button", "text", "\u2715");
      unpin.type = "button";
      unpin.setAttribute("aria-label", "Unpin " + pattern.name);
      unpin.addEventListener("click", function () { PW.compare.toggle(pattern); });
      item.appendChild(unpin);
      trayList.appendChild(item);
    });
    openButton.disabled = pinned.length < 2;
    openButton.textContent = "Compare " + pinned.length;
    openButton.title = pinned.length < 2 ? "Pin at least two patterns" : "Show the pinned patterns side by side";
    PW.patterns.forEach(function (pattern) {
      if (pattern.pinButton) {
        var on = pinned.indexOf(pattern) !== -1;
        if (pattern.pinButton.getAttribute("aria-pressed") !== String(on)) {
          pattern.pinButton.setAttribute("aria-pressed", String(on));
        }
      }
    });
    PW.detail.showPinned();
  }

  function release() {
    panels.forEach(function (panel) { PW.releaseLayers(panel.layers); });
    panels = [];
    grid.textContent = "";
  }

  function build() {
    release();
    grid.dataset.count = pinned.length;
    pinned.forEach(function (pattern) {
      var box = PW.el("article", "compare-panel");
      box.dataset.name = pattern.name;
      var head = PW.el("div", "compare-head");
      var name = PW.el("button", "compare-name", pattern.name);
      name.type = "button";
      name.title = "Open " + pattern.name;
      name.addEventListener("click", function () { PW.show.pattern(pattern, "detail"); });
      head.appendChild(name);
      var beat = head.appendChild(PW.el("span", "beat", ""));
      box.appendChild(head);
      var stage = box.appendChild(PW.el("div", "stage compare-stage"));
      box.appendChild(PW.el("p", "meta", PW.beatsText(pattern.period) + " \u00b7 " + pattern.dims + "D \u00b7 " +
                                          pattern.group + " \u00b7 " + pattern.family));
      var slot = box.appendChild(PW.el("span", "sound-slot"));
      if (PW.sound) PW.sound.slot(slot, pattern);
      grid.appendChild(box);
      panels.push({ pattern: pattern, box: box, stage: stage, beat: beat, beatText: "" });
    });
    // Sizes follow the room each panel gets.
    panels.forEach(function (panel) {
      var width = Math.max(200, Math.min(WIDTH * 1.6, Math.floor(panel.box.clientWidth - 20) || WIDTH));
      var trace = Math.round(width * TRACE / WIDTH);
      panel.stage.style.width = width + "px";
      panel.stage.style.height = (trace + GAP + LANES) + "px";
      panel.layers = PW.layers(panel.stage, width, trace + GAP + LANES);
      panel.view = PW.pictureView(0, 0, width, trace, panel.pattern);
      panel.lanes = { x: 0, y: trace + GAP, w: width, h: LANES };
      var ctx = panel.layers.still.getContext("2d");
      PW.drawFrame(ctx, panel.view);
      PW.drawTrace(ctx, panel.view, panel.pattern, 1.3, PW.tint(panel.pattern));
      if (panel.view.kind === "time") PW.drawGauge(ctx, panel.lanes, panel.view.axis);
      else PW.drawLanes(ctx, panel.lanes, panel.pattern);
    });
    PW.clock.dirty = true;
  }

  PW.compare = {
    MAX: MAX,

    init: function () {
      overlay = PW.byId("compare");
      grid = PW.byId("compare-grid");
      tray = PW.byId("tray");
      trayList = PW.byId("tray-list");
      openButton = PW.byId("compare-open");
      openButton.addEventListener("click", function () { PW.show.compare(pinned.slice()); });
      PW.byId("tray-clear").addEventListener("click", function () {
        pinned = [];
        refreshTray();
      });
      PW.byId("compare-close").addEventListener("click", function () { PW.closeOverlays(); });
      overlay.addEventListener("click", function (event) {
        if (event.target === overlay) PW.closeOverlays();
      });
      window.addEventListener("resize", function () { if (!overlay.hidden) build(); });
      refreshTray();
    },

    isPinned: function (pattern) { return pinned.indexOf(pattern) !== -1; },
    pinned: function () { return pinned.slice(); },

    toggle: function (pattern) {
      var at = pinned.indexOf(pattern);
      if (at !== -1) {
        pinned.splice(at, 1);
      } else if (pinned.length >= MAX) {
        PW.notice("Compare holds up to four patterns: unpin one first.");
        return;
      } else {
        pinned.push(pattern);
      }
      refreshTray();
    },

    open: function (patterns) {
      pinned = patterns.slice(0, MAX);
      refreshTray();
      overlay.hidden = false;
      document.body.style.overflow = "hidden";
      PW.transport.dock(PW.byId("compare-dock"));
      build();
      overlay.scrollTop = 0;
      PW.byId("compare-title").focus({ preventScroll: true });
    },

    close: function () {
      if (overlay.hidden) return false;
      overlay.hidden = true;
      document.body.style.overflow = "";
      release();
      PW.transport.dock(null);
      PW.clock.dirty = true;
      return true;
    },

    isOpen: function () { return !overlay.hidden; },
    names: function () { return panels.map(function (panel) { return panel.pattern.name; }); },

    animate: function (pip) {
      panels.forEach(function (panel) {
        var ctx = PW.clear(panel.layers.live);
        var position = PW.drawMarker(ctx, panel.view, panel.pattern, pip, { radius: 6 });
        if (panel.view.kind === "time") PW.drawGaugeMarker(ctx, panel.lanes, panel.view.axis, position[panel.view.axis]);
        else PW.drawPlayhead(ctx, panel.lanes, panel.pattern, pip, position);
        var text = PW.beatOf(panel.pattern, pip);
        if (text !== panel.beatText) panel.beatText = panel.beat.textContent = text;
      });
    }
  };
})(window.PW = window.PW || {});
