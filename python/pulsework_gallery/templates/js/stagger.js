// The stagger view: N copies of one pattern over a row, shaped as the desk
// says (spread, wings and blocks setting how far behind each copy runs), the
// way one effect is spread across a row of lights. Above, the copies side by
// side as a row of fixtures; below, all of them on the pattern's own
// picture, and each copy's lag.
(function (PW) {
  "use strict";

  var ROW_HEIGHT = 260, MID = 340;
  var row, mid, list, copiesInput, slider;
  var pattern = null, shaped = null, copies = 8, colors = [], pips = [], ways = [];
  var rowLayers = null, rowViews = [], midLayers = null, midView = null;

  function setCopies(value) {
    value = Math.round(Number(value));
    if (!isFinite(value)) return;
    copies = Math.min(64, Math.max(2, value));
    copiesInput.value = slider.value = copies;
  }

  function layout() {
    if (!pattern) return;
    var lags = PW.shaping.motion(pattern, copies).lags;
    shaped = PW.shaping.shaped(pattern);
    colors = [];
    for (var i = 0; i < copies; i++) {
      colors.push("hsl(" + Math.round(i * 360 / copies + 30) % 360 + ", 85%, 64%)");
    }
    list.textContent = "";
    lags.forEach(function (lag, i) {
      var item = PW.el("li", "stagger-offset");
      item.dataset.offset = lag;
      var swatch = item.appendChild(PW.el("span", "swatch"));
      swatch.style.background = colors[i];
      item.appendChild(PW.el("span", "", "copy " + (i + 1)));
      var beats = Math.round(Math.abs(lag) / PW.pipsPerBeat * 1000) / 1000;
      var degrees = Math.round(Math.abs(lag) / pattern.period * 3600) / 10;
      var sign = lag < 0 ? "\u2212" : "+";
      var text = sign + Math.abs(lag) + " pips \u00b7 " + beats + (beats === 1 ? " beat" : " beats") +
                 " \u00b7 " + degrees + "\u00b0";
      item.appendChild(PW.el("span", "", text));
      list.appendChild(item);
    });

    release();
    var width = Math.max(240, Math.round(row.getBoundingClientRect().width) || 900);
    rowLayers = PW.layers(row, width, ROW_HEIGHT);
    // Copies stand evenly along the row, far enough from its ends that the
    // outermost ones stay inside however far they swing.
    var extent = PW.extent(shaped.components);
    var reach = Math.min(ROW_HEIGHT * 0.42, Math.max(width / copies * 0.62, 24)) * extent;
    var cell = (width - 2 * reach) / Math.max(1, copies - 1);
    var ctx = rowLayers.still.getContext("2d");
    rowViews = lags.map(function (_lag, i) {
      var cx = reach + cell * i, cy = ROW_HEIGHT / 2;
      var view = PW.view(cx - reach, cy - reach, 2 * reach, 2 * reach, shaped.components);
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
    midView = PW.pictureView(8, 8, size - 16, size - 16, shaped);
    var mctx = midLayers.still.getContext("2d");
    PW.drawFrame(mctx, midView);
    PW.drawTrace(mctx, midView, shaped, 1.2, PW.tint(pattern));
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
      var changed = function (event) {
        setCopies(event.target.value);
        layout();
        PW.takeaway.refresh();
        PW.url.write();
      };
      copiesInput.addEventListener("change", changed);
      slider.addEventListener("input", changed);
      PW.shaping.onChange(function () { if (pattern) layout(); });
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
      var motion = PW.shaping.motion(pattern, copies);
      var style = { radius: copies > 24 ? 3.5 : 5, color: "", trail: 16, way: 1,
                    level: motion.level(Math.floor(pip)), centre: PW.shaping.get().centre };
      motion.drawPips(pip, pips, ways);
      var ctx = PW.clear(rowLayers.live);
      var point = [0, 0, 0];
      ctx.strokeStyle = "rgba(231, 234, 238, 0.35)";
      ctx.lineWidth = 1.5;
      ctx.beginPath();
      rowViews.forEach(function (view, i) {
        PW.atFaded(shaped, pips[i], style, point);
        var x = view.x(point[0], point[2]), y = view.y(point[1], point[2]);
        if (i === 0) ctx.moveTo(x, y); else ctx.lineTo(x, y);
      });
      ctx.stroke();
      rowViews.forEach(function (view, i) {
        style.color = colors[i];
        style.way = ways[i];
        PW.drawMarker(ctx, view, shaped, pips[i], style);
      });
      var mctx = PW.clear(midLayers.live);
      style.radius = 4.5;
      style.trail = 0;
      for (var i = copies - 1; i >= 0; i--) {
        style.color = colors[i];
        PW.drawMarker(mctx, midView, shaped, pips[i], style);
      }
    }
  };
})(window.PW = window.PW || {});
