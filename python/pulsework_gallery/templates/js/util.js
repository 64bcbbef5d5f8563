// Small helpers shared by every part of the page. Everything lives on window.PW.
(function (PW) {
  "use strict";

  PW.el = function (tag, className, text) {
    var node = document.createElement(tag);
    if (className) node.className = className;
    if (text !== undefined) node.textContent = text;
    return node;
  };

  PW.byId = function (id) { return document.getElementById(id); };

  // "1 beat", "4 beats", "7.5 beats", "1.5625 beats": exact, without trailing zeros.
  PW.beatsText = function (pips) {
    var beats = pips / PW.pipsPerBeat;
    var text = String(Math.round(beats * 1e6) / 1e6);
    return text + (beats === 1 ? " beat" : " beats");
  };

  // Signed, fixed width, with a real minus sign.
  PW.signed = function (value, digits) {
    var text = Math.abs(value).toFixed(digits);
    if (Number(text) === 0) return " " + text;
    return (value < 0 ? "\u2212" : "+") + text;
  };

  // A canvas of the given CSS size, backed at the screen's pixel density.
  PW.canvas = function (width, height, className) {
    var canvas = PW.el("canvas", className);
    var ratio = Math.min(window.devicePixelRatio || 1, 3);
    canvas.width = Math.round(width * ratio);
    canvas.height = Math.round(height * ratio);
    canvas.style.width = width + "px";
    canvas.style.height = height + "px";
    var context = canvas.getContext("2d");
    context.setTransform(ratio, 0, 0, ratio, 0, 0);
    canvas.cssWidth = width;
    canvas.cssHeight = height;
    return canvas;
  };

  PW.clear = function (canvas) {
    var context = canvas.getContext("2d");
    context.save();
    context.setTransform(1, 0, 0, 1, 0, 0);
    context.clearRect(0, 0, canvas.width, canvas.height);
    context.restore();
    return context;
  };

  // Two stacked canvases in `parent`: a still layer drawn once per showing,
  // and a live layer above it redrawn every frame.
  PW.layers = function (parent, width, height) {
    var layers = { still: PW.canvas(width, height, "still"), live: PW.canvas(width, height, "live") };
    parent.appendChild(layers.still);
    parent.appendChild(layers.live);
    return layers;
  };

  // Give a canvas's pixels back when it is no longer shown.
  PW.release = function (canvas) {
    if (!canvas) return;
    canvas.width = 0;
    canvas.height = 0;
    if (canvas.parentNode) canvas.parentNode.removeChild(canvas);
  };

  PW.releaseLayers = function (layers) {
    if (!layers) return;
    PW.release(layers.still);
    PW.release(layers.live);
  };

  // "3/8": the beat of the pattern's cycle at `pip`, of how many.
  PW.beatOf = function (pattern, pip) {
    var beats = Math.round(pattern.period / PW.pipsPerBeat * 1e6) / 1e6;
    return (Math.floor(PW.mod(pip, pattern.period) / PW.pipsPerBeat) + 1) + "/" + Math.ceil(beats);
  };

  // A short message at the top of the page, until dismissed or replaced.
  PW.notice = function (text) {
    var box = PW.byId("notice");
    PW.byId("notice-text").textContent = text || "";
    box.hidden = !text;
  };

  PW.mod = function (value, period) {
    var r = value % period;
    return r < 0 ? r + period : r;
  };
})(window.PW = window.PW || {});
