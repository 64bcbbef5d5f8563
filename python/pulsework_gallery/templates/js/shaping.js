// Shaping a pattern as a lighting desk does: size (amplitude), speed, and,
// over a row of copies, a phase spread with reverse and mirror (wings). All
// of it is applied on top of the pattern, the way a user's program would,
// and `python` writes that program's one line.
//
// Copy i of n (0-based, along the row) takes its place j in the spread:
// j = i, or n-1-i reversed; mirrored, the two wings share the places
// j = min(i, n-1-i) of m = ceil(n/2), reversed m-1-j. Its pip is then
// speed * pip - round(j * spread * period / (360 * m)), rounded as Python
// rounds (halves to even), so that the line shown does exactly the same.
(function (PW) {
  "use strict";

  var SPEEDS = [0.5, 1, 2, 4];
  var DEFAULTS = { size: 1, speed: 1, spread: 360, reverse: false, mirror: false };
  var state = Object.assign({}, DEFAULTS);
  var listeners = [];

  function gcd(a, b) {
    while (b) { var t = a % b; a = b; b = t; }
    return a;
  }

  PW.roundHalfEven = function (value) {
    var floor = Math.floor(value), rest = value - floor;
    if (rest > 0.5) return floor + 1;
    if (rest < 0.5) return floor;
    return floor % 2 === 0 ? floor : floor + 1;
  };

  // The spread step as a fraction in lowest terms: [numerator, denominator].
  function step(period, copies) {
    var places = state.mirror ? Math.ceil(copies / 2) : copies;
    var top = state.spread * period, bottom = 360 * places;
    var d = gcd(top, bottom) || 1;
    return [top / d, bottom / d, places];
  }

  function place(i, copies, places) {
    var j = state.mirror ? Math.min(i, copies - 1 - i) : i;
    return state.reverse ? places - 1 - j : j;
  }

  function clampInt(value, low, high, fallback) {
    value = Math.round(Number(value));
    return isFinite(value) ? Math.min(high, Math.max(low, value)) : fallback;
  }

  PW.shaping = {
    get: function () { return state; },
    isDefault: function () {
      return Object.keys(DEFAULTS).every(function (key) { return state[key] === DEFAULTS[key]; });
    },

    set: function (changes) {
      if ("size" in changes) state.size = clampInt(Number(changes.size) * 100, 0, 100, 100) / 100;
      if ("speed" in changes && SPEEDS.indexOf(Number(changes.speed)) !== -1) state.speed = Number(changes.speed);
      if ("spread" in changes) state.spread = clampInt(changes.spread, 0, 720, 360);
      if ("reverse" in changes) state.reverse = Boolean(changes.reverse);
      if ("mirror" in changes) state.mirror = Boolean(changes.mirror);
      listeners.forEach(function (listener) { listener(state); });
    },

    reset: function () { this.set(DEFAULTS); },
    onChange: function (listener) { listeners.push(listener); },

    // The pip of the pattern that copy `i` of `copies` shows at clock pip `pip`.
    offsets: function (period, copies) {
      var s = step(period, copies), out = [];
      for (var i = 0; i < copies; i++) out.push(PW.roundHalfEven(place(i, copies, s[2]) * s[0] / s[1]));
      return out;
    },
    pip: function (pip) { return pip * state.speed; },

    // The address keeps what differs from the defaults.
    write: function (params) {
      if (state.size !== 1) params.set("size", String(Math.round(state.size * 100)));
      if (state.speed !== 1) params.set("speed", String(state.speed));
      if (state.spread !== 360) params.set("spread", String(state.spread));
      if (state.reverse) params.set("reverse", "1");
      if (state.mirror) params.set("mirror", "1");
    },
    read: function (params) {
      this.set({
        size: params.has("size") ? Number(params.get("size")) / 100 : 1,
        speed: params.has("speed") ? params.get("speed") : 1,
        spread: params.has("spread") ? params.get("spread") : 360,
        reverse: params.get("reverse") === "1",
        mirror: params.get("mirror") === "1"
      });
    },

    // One line of Python that places the pattern (or copy i of a row of
    // `copies`, when given) as the page shows it.
    python: function (name, period, copies) {
      var pip = { 0.5: "pip // 2", 1: "pip", 2: "2 * pip", 4: "4 * pip" }[state.speed];
      var comment = "";
      if (copies) {
        var s = step(period, copies), last = copies - 1, index = "i";
        if (state.mirror) index = "min(i, " + last + " - i)";
        if (state.reverse) index = state.mirror ? "(" + (s[2] - 1) + " - " + index + ")" : "(" + last + " - i)";
        if (s[0] !== 0) {
          var offset = s[1] === 1 ? (s[0] === 1 ? index : s[0] + " * " + index)
                                  : "round(" + index + " * " + s[0] + " / " + s[1] + ")";
          pip += " - " + offset;
        }
        comment = "  # copy i = 0 \u2026 " + last + " along the row";
      }
      var call = "pulsework.sample(" + JSON.stringify(name) + ", " + pip + ")";
      if (state.size === 1) return "x, y, z = " + call + ".as_tuple()" + comment;
      return "x, y, z = (" + state.size + " * v for v in " + call + ".as_tuple())" + comment;
    }
  };
})(window.PW = window.PW || {});
