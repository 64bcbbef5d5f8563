// Drawing on 2-D canvases: the oblique projection, a pattern's whole path,
// its components against time, and the moving marker.
//
// x runs right, y up, and z (toward the viewer) is drawn down and to the
// left at half length, the cabinet projection, so depth reads as a slant.
(function (PW) {
  "use strict";

  var K = 0.5 * Math.SQRT1_2;
  var DEPTH_STEPS = 6;
  PW.colors = {
    x: "#ff6b6b", y: "#5fd38d", z: "#5aa9ff",
    accent: "#ffb347", frame: "#2c333d", axis: "#232a33", lane: "#14181e",
    beat: "#262d37", bar: "#4a5360", trace: "#c9d2dc", far: [61, 70, 82], near: [242, 245, 248]
  };
  var LANE_COLORS = [PW.colors.x, PW.colors.y, PW.colors.z];
  PW.laneColors = LANE_COLORS;

  // Half the width of what a view shows: the [-1, 1] square, or the
  // projected cube in 3-D, with a small margin.
  PW.extent = function (components) { return (components === 3 ? 1 + K : 1) + 0.07; };

  // A square view of the pattern space centred in a box, for `components`.
  // Points are drawn `gain` times their size (the size control); the frame
  // always shows the whole [-1, 1] range.
  PW.view = function (left, top, width, height, components, gain) {
    var extent = PW.extent(components);
    var scale = Math.min(width, height) / (2 * extent);
    var cx = left + width / 2, cy = top + height / 2;
    var g = gain === undefined ? 1 : gain;
    return {
      kind: "path",
      scale: scale,
      is3d: components === 3,
      x: function (x, z) { return cx + (x - K * z) * scale * g; },
      y: function (y, z) { return cy - (y - K * z) * scale * g; },
      fx: function (x, z) { return cx + (x - K * z) * scale; },
      fy: function (y, z) { return cy - (y - K * z) * scale; }
    };
  };

  // A view of one component against time over one period, for patterns
  // that move along one axis only: their path is a line, their motion is
  // this curve.
  PW.timeView = function (left, top, width, height, axis, gain) {
    var g = gain === undefined ? 1 : gain;
    var mid = top + height / 2, half = height / 2 - 6;
    return {
      kind: "time",
      axis: axis,
      box: { x: left, y: top, w: width, h: height },
      t: function (phase) { return left + phase * width; },
      v: function (value) { return mid - value * half * g; },
      fv: function (value) { return mid - value * half; }
    };
  };

  // The picture a pattern is best seen as, in a box: its path, or, when it
  // moves along one axis only, that axis against time.
  PW.pictureView = function (left, top, width, height, pattern, gain) {
    PW.table(pattern);
    if (pattern.axis >= 0) return PW.timeView(left, top, width, height, pattern.axis, gain);
    return PW.view(left, top, width, height, pattern.components, gain);
  };

  function line(ctx, view, a, b) {
    ctx.moveTo(view.fx(a[0], a[2]), view.fy(a[1], a[2]));
    ctx.lineTo(view.fx(b[0], b[2]), view.fy(b[1], b[2]));
  }

  // The [-1, 1] square, or cube in 3-D, with the axes through the origin.
  PW.drawFrame = function (ctx, view) {
    if (view.kind === "time") return;  // its band is drawn with its curve
    ctx.lineWidth = 1;
    ctx.strokeStyle = PW.colors.axis;
    ctx.beginPath();
    line(ctx, view, [-1, 0, 0], [1, 0, 0]);
    line(ctx, view, [0, -1, 0], [0, 1, 0]);
    if (view.is3d) line(ctx, view, [0, 0, -1], [0, 0, 1]);
    ctx.stroke();
    ctx.strokeStyle = PW.colors.frame;
    ctx.beginPath();
    var zs = view.is3d ? [-1, 1] : [0];
    zs.forEach(function (z) {
      line(ctx, view, [-1, -1, z], [1, -1, z]);
      line(ctx, view, [1, -1, z], [1, 1, z]);
      line(ctx, view, [1, 1, z], [-1, 1, z]);
      line(ctx, view, [-1, 1, z], [-1, -1, z]);
    });
    if (view.is3d) {
      [[-1, -1], [1, -1], [1, 1], [-1, 1]].forEach(function (c) {
        line(ctx, view, [c[0], c[1], -1], [c[0], c[1], 1]);
      });
    }
    ctx.stroke();
  };

  // Axis arrows with their letters, for the large views.
  PW.drawGizmo = function (ctx, left, bottom, is3d) {
    var arms = [["x", 1, 0, PW.colors.x], ["y", 0, -1, PW.colors.y]];
    if (is3d) arms.push(["z", -Math.SQRT1_2 * 0.6, Math.SQRT1_2 * 0.6, PW.colors.z]);
    var ox = left + (is3d ? 22 : 8), oy = bottom - (is3d ? 22 : 8), length = 26;
    ctx.font = "11px ui-monospace, 'DejaVu Sans Mono', monospace";
    arms.forEach(function (arm) {
      var ex = ox + arm[1] * length, ey = oy + arm[2] * length;
      ctx.strokeStyle = ctx.fillStyle = arm[3];
      ctx.lineWidth = 1.5;
      ctx.beginPath();
      ctx.moveTo(ox, oy);
      ctx.lineTo(ex, ey);
      ctx.stroke();
      ctx.fillText(arm[0], ex + arm[1] * 9 - 3, ey + arm[2] * 9 + 4);
    });
  };

  // Members of a set that shares one description get a trace colour each,
  // evenly round the colour wheel; other patterns keep the usual grey.
  PW.tint = function (pattern) {
    if (!pattern.members) return undefined;
    if (!pattern.tintRgb) pattern.tintRgb = hsl(pattern.member / pattern.members + 0.1, 0.75, 0.7);
    return pattern.tintRgb;
  };

  PW.rgb = function (color) { return "rgb(" + color.join(",") + ")"; };

  function hsl(h, s, l) {
    var q = l < 0.5 ? l * (1 + s) : l + s - l * s, p = 2 * l - q;
    function channel(t) {
      t = PW.mod(t, 1);
      var v = t < 1 / 6 ? p + (q - p) * 6 * t : t < 1 / 2 ? q : t < 2 / 3 ? p + (q - p) * (2 / 3 - t) * 6 : p;
      return Math.round(v * 255);
    }
    return [channel(h + 1 / 3), channel(h), channel(h - 1 / 3)];
  }

  function mix(a, b, t) {
    return "rgb(" + Math.round(a[0] + (b[0] - a[0]) * t) + "," + Math.round(a[1] + (b[1] - a[1]) * t) +
           "," + Math.round(a[2] + (b[2] - a[2]) * t) + ")";
  }

  // The whole closed path. In 3-D the far parts are drawn first, thin and
  // dark, and the near parts over them, bright and thicker.
  // `tint` (an [r, g, b]) colours the trace instead of the usual grey.
  PW.drawTrace = function (ctx, view, pattern, weight, tint) {
    var table = PW.table(pattern), period = pattern.period;
    weight = weight || 1;
    ctx.lineJoin = ctx.lineCap = "round";
    if (view.kind === "time") { drawTimeTrace(ctx, view, pattern, weight, tint); return; }
    var near = tint || PW.colors.near;
    if (!view.is3d) {
      ctx.strokeStyle = tint ? PW.rgb(tint) : PW.colors.trace;
      ctx.lineWidth = 1.3 * weight;
      ctx.beginPath();
      for (var i = 0; i <= period; i++) {
        var r = (i % period) * 3;
        var px = view.x(table[r], 0), py = view.y(table[r + 1], 0);
        if (i === 0) ctx.moveTo(px, py); else ctx.lineTo(px, py);
      }
      ctx.stroke();
    } else {
      var paths = [];
      for (var s = 0; s < DEPTH_STEPS; s++) paths.push(new Path2D());
      for (var j = 0; j < period; j++) {
        var a = j * 3, b = ((j + 1) % period) * 3;
        var depth = (table[a + 2] + table[b + 2]) / 2;
        var step = Math.min(DEPTH_STEPS - 1, Math.max(0, Math.floor((depth + 1) / 2 * DEPTH_STEPS)));
        paths[step].moveTo(view.x(table[a], table[a + 2]), view.y(table[a + 1], table[a + 2]));
        paths[step].lineTo(view.x(table[b], table[b + 2]), view.y(table[b + 1], table[b + 2]));
      }
      for (var k = 0; k < DEPTH_STEPS; k++) {
        var t = k / (DEPTH_STEPS - 1);
        ctx.strokeStyle = mix(PW.colors.far, near, t);
        ctx.lineWidth = (0.8 + 1.3 * t) * weight;
        ctx.stroke(paths[k]);
      }
    }
    // Where the cycle starts (pip 0).
    ctx.fillStyle = "#101318";
    ctx.strokeStyle = PW.colors.accent;
    ctx.lineWidth = 1;
    ctx.beginPath();
    ctx.arc(view.x(table[0], table[2]), view.y(table[1], table[2]), 2.6 * weight, 0, 2 * Math.PI);
    ctx.fill();
    ctx.stroke();
  };

  function beatLines(ctx, box, period, top, bottom) {
    var ppb = PW.pipsPerBeat, beatWidth = box.w * ppb / period;
    if (beatWidth < 3) return;
    ctx.lineWidth = 1;
    for (var beat = 1; beat * ppb < period; beat++) {
      var bx = Math.round(box.x + beat * beatWidth) + 0.5;
      ctx.strokeStyle = beat % 4 === 0 ? PW.colors.bar : PW.colors.beat;
      ctx.beginPath();
      ctx.moveTo(bx, top);
      ctx.lineTo(bx, bottom);
      ctx.stroke();
    }
  }

  // One component against time: the [-1, 1] band, beat and bar lines, the
  // zero line, the curve in its component's colour (or the tint) and the
  // axis letter.
  function drawTimeTrace(ctx, view, pattern, weight, tint) {
    var box = view.box, c = view.axis, table = PW.table(pattern);
    ctx.fillStyle = PW.colors.lane;
    ctx.fillRect(box.x, view.fv(1), box.w, view.fv(-1) - view.fv(1));
    beatLines(ctx, box, pattern.period, view.fv(1), view.fv(-1));
    ctx.strokeStyle = PW.colors.axis;
    ctx.lineWidth = 1;
    ctx.beginPath();
    ctx.moveTo(box.x, Math.round(view.fv(0)) + 0.5);
    ctx.lineTo(box.x + box.w, Math.round(view.fv(0)) + 0.5);
    ctx.stroke();
    ctx.strokeStyle = tint ? PW.rgb(tint) : LANE_COLORS[c];
    ctx.lineWidth = 1.5 * weight;
    ctx.beginPath();
    PW.lanePath(table, c, pattern.period, box.w, function (x, v, first) {
      if (first) ctx.moveTo(box.x + x, view.v(v)); else ctx.lineTo(box.x + x, view.v(v));
    });
    ctx.stroke();
    ctx.fillStyle = LANE_COLORS[c];
    ctx.font = "600 " + Math.round(10 + weight * 2) + "px ui-monospace, 'DejaVu Sans Mono', monospace";
    ctx.fillText("xyz"[c] + " \u2192 time", box.x + 4, view.fv(1) + 13 + weight * 2);
  }

  // The real motion of a one-axis pattern, small: a track along its axis
  // (across for x, up and down for y) in a strip.
  PW.drawGauge = function (ctx, box, axis) {
    ctx.fillStyle = PW.colors.lane;
    ctx.fillRect(box.x, box.y, box.w, box.h);
    ctx.strokeStyle = PW.colors.frame;
    ctx.lineWidth = 1;
    var g = gaugeGeometry(box, axis);
    ctx.beginPath();
    ctx.moveTo(g.x(-1), g.y(-1));
    ctx.lineTo(g.x(1), g.y(1));
    ctx.stroke();
    ctx.fillStyle = LANE_COLORS[axis];
    ctx.font = "600 11px ui-monospace, 'DejaVu Sans Mono', monospace";
    ctx.fillText(axis === 0 ? "x \u2194" : "y \u2195", box.x + 4, box.y + 13);
  };

  function gaugeGeometry(box, axis) {
    var cx = box.x + box.w / 2, cy = box.y + box.h / 2;
    var reach = axis === 0 ? box.w / 2 - 10 : box.h / 2 - 5;
    return {
      x: function (v) { return axis === 0 ? cx + v * reach : cx; },
      y: function (v) { return axis === 0 ? cy : cy - v * reach; }
    };
  }

  PW.drawGaugeMarker = function (ctx, box, axis, value) {
    var g = gaugeGeometry(box, axis);
    ctx.fillStyle = PW.colors.accent;
    ctx.strokeStyle = "#101318";
    ctx.lineWidth = 1.5;
    ctx.beginPath();
    ctx.arc(g.x(value), g.y(value), 4.5, 0, 2 * Math.PI);
    ctx.fill();
    ctx.stroke();
  };

  // x, y and z against one period in a strip; beat ticks, stronger bar ticks.
  PW.drawLanes = function (ctx, box, pattern) {
    var table = PW.table(pattern), period = pattern.period;
    ctx.fillStyle = PW.colors.lane;
    ctx.fillRect(box.x, box.y, box.w, box.h);
    beatLines(ctx, box, period, box.y, box.y + box.h);
    var mid = box.y + box.h / 2, half = box.h / 2 - 2;
    ctx.strokeStyle = PW.colors.axis;
    ctx.beginPath();
    ctx.moveTo(box.x, mid + 0.5);
    ctx.lineTo(box.x + box.w, mid + 0.5);
    ctx.stroke();
    ctx.lineWidth = 1.2;
    ctx.lineJoin = "round";
    for (var c = pattern.components - 1; c >= 0; c--) {
      ctx.strokeStyle = LANE_COLORS[c];
      ctx.beginPath();
      PW.lanePath(table, c, period, box.w, function (x, v, first) {
        var px = box.x + x, py = mid - v * half;
        if (first) ctx.moveTo(px, py); else ctx.lineTo(px, py);
      });
      ctx.stroke();
    }
  };

  // Visit component c over one period (and back to pip 0) at `width` units:
  // every pip when there is room, else each column's lowest and highest value.
  PW.lanePath = function (table, c, period, width, visit) {
    if (period <= width * 2) {
      for (var i = 0; i <= period; i++) {
        visit(i / period * width, table[(i % period) * 3 + c], i === 0);
      }
      return;
    }
    var columns = Math.ceil(width);
    for (var col = 0; col < columns; col++) {
      var start = Math.floor(col * period / columns), end = Math.floor((col + 1) * period / columns);
      var low = Infinity, high = -Infinity;
      for (var row = start; row < end; row++) {
        var v = table[row * 3 + c];
        if (v < low) low = v;
        if (v > high) high = v;
      }
      visit(col / columns * width, high, col === 0);
      visit((col + 1) / columns * width, low, false);
    }
    visit(width, table[c], false);
  };

  var here = [0, 0, 0], back = [0, 0, 0];

  // The position at `pip`, faded toward style.centre when style.level is below 1.
  PW.atFaded = function (pattern, pip, style, out) {
    PW.at(pattern, pip, out);
    var level = style.level, centre = style.centre;
    if (level !== undefined && level !== 1) {
      for (var c = 0; c < 3; c++) out[c] = centre[c] + level * (out[c] - centre[c]);
    }
    return out;
  };

  // The marker at `pip`, a short fading trail behind it (style.trail pips,
  // 28 unless given; ahead of it when style.way is -1, the pattern playing
  // backwards) and, in 3-D, a drop line to the z = 0 plane.
  // style: { radius, color, trail, way, level, centre }: level (0 to 1) draws
  // the position that far from `centre`. Returns the position.
  PW.drawMarker = function (ctx, view, pattern, pip, style) {
    if (view.kind === "time") return drawTimeMarker(ctx, view, pattern, pip, style);
    var radius = style.radius || 5;
    var color = style.color || PW.colors.accent;
    var trail = Math.min(pattern.period / 4, style.trail === undefined ? 28 : style.trail), steps = 8;
    if (style.way === -1) trail = -trail;
    ctx.lineCap = "round";
    ctx.strokeStyle = color;
    ctx.lineWidth = radius * 0.55;
    PW.atFaded(pattern, pip - trail, style, back);
    for (var s = 1; s <= (trail !== 0 ? steps : 0); s++) {
      PW.atFaded(pattern, pip - trail + trail * s / steps, style, here);
      ctx.globalAlpha = 0.08 + 0.5 * s / steps;
      ctx.beginPath();
      ctx.moveTo(view.x(back[0], back[2]), view.y(back[1], back[2]));
      ctx.lineTo(view.x(here[0], here[2]), view.y(here[1], here[2]));
      ctx.stroke();
      back[0] = here[0]; back[1] = here[1]; back[2] = here[2];
    }
    ctx.globalAlpha = 1;
    var p = PW.atFaded(pattern, pip, style, [0, 0, 0]);
    var mx = view.x(p[0], p[2]), my = view.y(p[1], p[2]);
    if (view.is3d) {
      var fx = view.x(p[0], 0), fy = view.y(p[1], 0);
      ctx.strokeStyle = PW.colors.z;
      ctx.lineWidth = 1;
      ctx.setLineDash([3, 3]);
      ctx.beginPath();
      ctx.moveTo(fx, fy);
      ctx.lineTo(mx, my);
      ctx.stroke();
      ctx.setLineDash([]);
      ctx.beginPath();
      ctx.arc(fx, fy, radius * 0.5, 0, 2 * Math.PI);
      ctx.stroke();
    }
    markerDot(ctx, mx, my, radius, color);
    return p;
  };

  // The marker itself: a soft halo and a ringed dot.
  function markerDot(ctx, x, y, radius, color) {
    ctx.fillStyle = color;
    ctx.globalAlpha = 0.22;
    ctx.beginPath();
    ctx.arc(x, y, radius * 2, 0, 2 * Math.PI);
    ctx.fill();
    ctx.globalAlpha = 1;
    ctx.strokeStyle = "#101318";
    ctx.lineWidth = 1.5;
    ctx.beginPath();
    ctx.arc(x, y, radius, 0, 2 * Math.PI);
    ctx.fill();
    ctx.stroke();
  }

  // On a value-against-time view: a playhead, and the marker on the curve.
  function drawTimeMarker(ctx, view, pattern, pip, style) {
    var radius = style.radius || 5, color = style.color || PW.colors.accent;
    var p = PW.atFaded(pattern, pip, style, [0, 0, 0]);
    var x = view.t(PW.mod(pip, pattern.period) / pattern.period), y = view.v(p[view.axis]);
    ctx.strokeStyle = color;
    ctx.globalAlpha = 0.5;
    ctx.lineWidth = 1;
    ctx.beginPath();
    ctx.moveTo(x, view.fv(1));
    ctx.lineTo(x, view.fv(-1));
    ctx.stroke();
    markerDot(ctx, x, y, radius, color);
    return p;
  }

  // The playhead on a lanes strip, with a dot on each component's curve.
  PW.drawPlayhead = function (ctx, box, pattern, pip, position) {
    var phase = PW.mod(pip, pattern.period) / pattern.period;
    var x = box.x + phase * box.w;
    ctx.strokeStyle = PW.colors.accent;
    ctx.lineWidth = 1;
    ctx.beginPath();
    ctx.moveTo(x, box.y);
    ctx.lineTo(x, box.y + box.h);
    ctx.stroke();
    var mid = box.y + box.h / 2, half = box.h / 2 - 2;
    for (var c = 0; c < pattern.components; c++) {
      ctx.fillStyle = LANE_COLORS[c];
      ctx.beginPath();
      ctx.arc(x, mid - position[c] * half, 2.4, 0, 2 * Math.PI);
      ctx.fill();
    }
  };
})(window.PW = window.PW || {});
