// The stagger view: N copies of one pattern spread over a row, each later
// than the one before by an even share of the phase spread (360 degrees is
// one period; reverse and mirror as the desk sets them), the way one effect
// is spread across a row of lights. Above, the copies side by side as a row
// of fixtures; below, all of them on the pattern's own picture, and the
// offsets.
(function (PW) {
  "use strict";

  var ROW_HEIGHT = 260, MID = 340;
  var row, mid, list, copiesInput, slider, spreadInput, reverseBox, mirrorBox;
  var pattern = null, copies = 8, offsets = [], colors = [];
  var rowLayers = null, rowViews = [], midLayers = null, midView = null;

  function setCopies(value) {
    value = Math.round(Number(value));
    if (!isFinite(value)) return;
    copies = Math.min(64, Math.max(2, value));
    copiesInput.value = slider.value = copies;
  }

  function showControls(state) {
    if (document.activeElement !== spreadInput) spreadInput.value = state.spread;
    reverseBox.checked = state.reverse;
    mirrorBox.checked = state.mirror;
  }

  function layout() {
    if (!pattern) return;
    var state = PW.shaping.get();
    offsets = PW.shaping.offsets(pattern.period, copies);
    colors = [];
    for (var i = 0; i < copies; i++) {
      colors.push("hsl(" + Math.round(i * 360 / copies + 30) % 360 + ", 85%, 64%)");
    }
    list.textContent = "";
    offsets.forEach(function (offset, i) {
      var item = PW.el("li", "stagger-offset");
      item.dataset.offset = offset;
      var swatch = item.appendChild(PW.el("span", "swatch"));
      swatch.style.background = colors[i];
      item.appendChild(PW.el("span", "", "copy " + (i + 1)));
      var beats = Math.round(offset / PW.pipsPerBeat * 1000) / 1000;
      var degrees = Math.round(offset / pattern.period * 3600) / 10;
      var text = "+" + offset + " pips \u00b7 " + beats + (beats === 1 ? " beat" : " beats") +
                 " \u00b7 " + degrees + "\u00b0";
      item.appendChild(PW.el("span", "", text));
      list.appendChild(item);
    });

    release();
    var width = Math.max(240, Math.round(row.getBoundingClientRect().width) || 900);
    rowLayers = PW.layers(row, width, ROW_HEIGHT);
    // Copies stand evenly along the row, far enough from its ends that the
    // outermost ones stay inside however far they swing.
    var extent = PW.extent(pattern.components);
    var reach = Math.min(ROW_HEIGHT * 0.42, Math.max(width / copies * 0.62, 24)) * extent;
    var cell = (width - 2 * reach) / Math.max(1, copies - 1);
    var ctx = rowLayers.still.getContext("2d");
    rowViews = offsets.map(function (_offset, i) {
      var cx = reach + cell * i, cy = ROW_HEIGHT / 2;
      var view = PW.view(cx - reach, cy - reach, 2 * reach, 2 * reach, pattern.components, state.size);
      ctx.strokeStyle = PW.colors.frame;
      ctx.lineWidth = 1;
      ctx.beginPath();
      ctx.moveTo(cx, 10);
      ctx.lineTo(cx, ROW_HEIGHT - 10);
      ctx.stroke();
      ctx.fillStyle = colors[i];
      ctx.fillRect(cx - 3, 6, 6, 4);
      return view;
    });

    var size = Math.max(200, Math.min(MID, Math.floor(mid.parentNode.getBoundingClientRect().width) || MID));
    mid.style.width = mid.style.height = size + "px";
    midLayers = PW.layers(mid, size, size);
    midView = PW.pictureView(8, 8, size - 16, size - 16, pattern, state.size);
    var mctx = midLayers.still.getContext("2d");
    PW.drawFrame(mctx, midView);
    PW.drawTrace(mctx, midView, pattern, 1.2, PW.tint(pattern));
    PW.clock.dirty = true;
  }

  function release() {
    PW.releaseLayers(rowLayers);
    PW.releaseLayers(midLayers);
    rowLayers = midLayers = null;
  }

  PW.stagger = {
    init: function () {
      row = PW.byId("stagger-row");
      mid = PW.byId("stagger-stage");
      list = PW.byId("stagger-offsets");
      copiesInput = PW.byId("stagger-copies");
      slider = PW.byId("stagger-slider");
      spreadInput = PW.byId("stagger-spread");
      reverseBox = PW.byId("stagger-reverse");
      mirrorBox = PW.byId("stagger-mirror");
      var changed = function (event) {
        setCopies(event.target.value);
        layout();
        PW.takeaway.refresh();
        PW.url.write();
      };
      copiesInput.addEventListener("change", changed);
      slider.addEventListener("input", changed);
      spreadInput.addEventListener("change", function () { PW.shaping.set({ spread: spreadInput.value }); });
      spreadInput.addEventListener("input", function () {
        if (spreadInput.value !== "" && spreadInput.checkValidity()) PW.shaping.set({ spread: spreadInput.value });
      });
      reverseBox.addEventListener("change", function () { PW.shaping.set({ reverse: reverseBox.checked }); });
      mirrorBox.addEventListener("change", function () { PW.shaping.set({ mirror: mirrorBox.checked }); });
      PW.shaping.onChange(function (state) {
        showControls(state);
        if (pattern) layout();
      });
      window.addEventListener("resize", function () { if (pattern) layout(); });
    },

    copies: function () { return copies; },
    setCopies: setCopies,

    open: function (p) {
      pattern = p;
      layout();
    },

    close: function () {
      pattern = null;
      release();
    },

    animate: function (pip) {
      if (!pattern) return;
      pip = PW.shaping.pip(pip);
      var ctx = PW.clear(rowLayers.live);
      var point = [0, 0, 0];
      ctx.strokeStyle = "rgba(231, 234, 238, 0.35)";
      ctx.lineWidth = 1.5;
      ctx.beginPath();
      rowViews.forEach(function (view, i) {
        PW.at(pattern, pip - offsets[i], point);
        var x = view.x(point[0], point[2]), y = view.y(point[1], point[2]);
        if (i === 0) ctx.moveTo(x, y); else ctx.lineTo(x, y);
      });
      ctx.stroke();
      var radius = copies > 24 ? 3.5 : 5;
      rowViews.forEach(function (view, i) {
        PW.drawMarker(ctx, view, pattern, pip - offsets[i], { radius: radius, color: colors[i], trail: 16 });
      });
      var mctx = PW.clear(midLayers.live);
      for (var i = offsets.length - 1; i >= 0; i--) {
        PW.drawMarker(mctx, midView, pattern, pip - offsets[i], { radius: 4.5, color: colors[i], trail: 0 });
      }
    }
  };
})(window.PW = window.PW || {});
