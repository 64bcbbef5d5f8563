// Shaping a pattern as a lighting desk plays an effect over a row of copies,
// exactly as pulsework_motion's Shaping and Motion do (that module states the
// conventions), so that the page, a program and the rig move alike. For copy
// i of n at master pip P:
//   the row's time is t = floor(P * p / q) at a speed of p/q;
//   its place is j = i, or with wings min(i, n-1-i) of ceil(n/2) places, and
//   in blocks of k, floor(j / k) of ceil(places / k); it runs
//   round(spread * j * period / (360 * places)) pattern pips behind place 0,
//   rounded exactly, halves to even;
//   its pattern pip is (t - lag) mod period, reversed (lag - t) mod period,
//   and in ping-pong forwards then backwards over twice the period;
//   its position is centre + level * rotate(size * sample), the level
//   following the fades (0 before start, rising over fade_in beats, falling
//   over fade_out beats to 0 at end).
// Fractions are kept as [numerator, denominator] in lowest terms, within
// bounds that keep every product a whole number a JS Number holds exactly.
// The drawing follows the same motion between whole pips.
(function (PW) {
  "use strict";

  var MAX_COPIES = 64, MAX_SPEED = 64, MAX_SPREAD = 36000, MAX_ROTATION = 36000;
  var MAX_FADE_BEATS = 100000, MAX_PIP = Math.pow(2, 40);
  // The page starts from Shaping()'s values, but for a spread of one period.
  var DEFAULTS = {
    size: [1, 1, 1], centre: [0, 0, 0], speed: [1, 1], spread: [360, 1], reverse: false,
    wings: false, blocks: 1, pingpong: false, rotation: 0, fade_in: [0, 1], fade_out: [0, 1],
    start: null, end: null
  };
  var FIELDS = Object.keys(DEFAULTS);
  var state = copy(DEFAULTS);
  // What the views ask for every frame, kept for one pattern until the shaping changes.
  var listeners = [], kept = { name: null, motions: new Map(), shaped: null };

  function copy(values) {
    var out = {};
    FIELDS.forEach(function (key) {
      out[key] = Array.isArray(values[key]) ? values[key].slice() : values[key];
    });
    return out;
  }

  function same(a, b) {
    return Array.isArray(a) ? a.every(function (v, i) { return v === b[i]; }) : a === b;
  }

  function gcd(a, b) {
    while (b) { var t = a % b; a = b; b = t; }
    return a;
  }

  function floorDiv(a, b) {
    var q = Math.floor(a / b), r = a - q * b;
    return r < 0 ? q - 1 : r >= b ? q + 1 : q;
  }

  // round(a / b) as Python rounds a Fraction: halves to even (b > 0).
  function roundDiv(a, b) {
    var q = floorDiv(a, b), twice = 2 * (a - q * b);
    return twice > b || (twice === b && q % 2 !== 0) ? q + 1 : q;
  }

  // A number, or a text "2", "-0.75", "3/4", as [numerator, denominator] in
  // lowest terms, with at most `decimals` places; null for anything else.
  var FRACTION_TEXT = /^([+-]?)(\d+)(?:\.(\d+))?(?:\/(\d+))?$/;
  function fraction(value, decimals) {
    var text = String(value).replace(/\s+/g, "");
    var match = text.length <= 24 && FRACTION_TEXT.exec(text);
    var places = match && match[3] ? match[3].length : 0;
    if (!match || (places && match[4]) || places > decimals) return null;
    var n = Number(match[2] + (match[3] || "")), d = Math.pow(10, places) * Number(match[4] || 1);
    if (!d || !Number.isSafeInteger(n) || !Number.isSafeInteger(d)) return null;
    var g = gcd(n, d);
    return [(match[1] === "-" ? -n : n) / g + 0, d / g];
  }

  // A plain finite number (a text must be all number: "" is not 0).
  function number(value) {
    if (typeof value === "number") return value;
    return /^\s*[+-]?(\d+\.?\d*|\.\d+)(e[+-]?\d+)?\s*$/i.test(String(value)) ? Number(value) : NaN;
  }

  // A fraction of at most three decimal places from 0 (or -high) to high:
  // a spread or a fade, which a program and a rig file write as a decimal.
  function decimal(value, low, high) {
    var f = fraction(value, 3);
    return f && 1000 % f[1] === 0 && f[0] >= low * f[1] && f[0] <= high * f[1] ? f : undefined;
  }

  function flag(value) { return typeof value === "boolean" ? value : undefined; }

  function pip(value) {
    if (value === null || value === "") return null;
    value = number(value);
    return Number.isInteger(value) && Math.abs(value) <= MAX_PIP ? value + 0 : undefined;
  }

  // Each setting as the page keeps it, or undefined when refused.
  var CHECK = {
    // Size: whole percent, 0 to 100, overall (one number) or [x, y, z].
    size: function (value) {
      var values = Array.isArray(value) ? value : [value, value, value];
      var out = values.map(function (v) {
        var percent = number(v) * 100, whole = Math.round(percent);
        return Math.abs(percent - whole) < 1e-6 && whole >= 0 && whole <= 100 ? whole / 100 : NaN;
      });
      return out.length === 3 && out.every(isFinite) ? out : undefined;
    },
    centre: function (value) {
      var out = Array.isArray(value) ? value.map(number) : [];
      return out.length === 3 && out.every(function (v) { return v >= -1 && v <= 1; })
        ? out.map(function (v) { return v + 0; }) : undefined;
    },
    speed: function (value) {
      var f = fraction(value, 6);
      return f && f[0] > 0 && f[0] <= MAX_SPEED * f[1] && f[1] <= 1e6 ? f : undefined;
    },
    spread: function (value) { return decimal(value, -MAX_SPREAD, MAX_SPREAD); },
    reverse: flag, wings: flag, pingpong: flag,
    blocks: function (value) {
      value = number(value);
      return Number.isInteger(value) && value >= 1 && value <= MAX_COPIES ? value : undefined;
    },
    rotation: function (value) {
      value = number(value);
      return Math.abs(value) <= MAX_ROTATION ? value + 0 : undefined;
    },
    fade_in: function (value) { return decimal(value, 0, MAX_FADE_BEATS); },
    fade_out: function (value) { return decimal(value, 0, MAX_FADE_BEATS); },
    start: pip, end: pip
  };

  // (cos, sin) of an angle in degrees, exact at multiples of 90.
  function rotationTerms(degrees) {
    var quarter = degrees / 90;
    if (quarter === Math.floor(quarter)) return [[1, 0], [0, 1], [-1, 0], [0, -1]][PW.mod(quarter, 4)];
    var radians = degrees * (Math.PI / 180);
    return [Math.cos(radians), Math.sin(radians)];
  }

  // How many pattern pips each copy runs behind the first place.
  function lags(s, copies, period) {
    var count = s.wings ? Math.ceil(copies / 2) : copies, places = Math.ceil(count / s.blocks);
    var out = [];
    for (var i = 0; i < copies; i++) {
      var j = Math.floor((s.wings ? Math.min(i, copies - 1 - i) : i) / s.blocks);
      out.push(roundDiv(s.spread[0] * j * period, s.spread[1] * 360 * places));
    }
    return out;
  }

  // The fade level at master pip `at`, from 0 to 1.
  function level(s, at) {
    var value = 1, ppb = PW.pipsPerBeat;
    if (s.start !== null && at < s.start) return 0;
    if (s.fade_in[0]) {
      var since = at - (s.start || 0);
      if (since < 0) return 0;
      value = Math.min(value, since * s.fade_in[1] / (s.fade_in[0] * ppb));
    }
    if (s.end !== null) {
      if (at >= s.end) return 0;
      if (s.fade_out[0]) value = Math.min(value, (s.end - at) * s.fade_out[1] / (s.fade_out[0] * ppb));
    }
    return value;
  }

  // Size, rotation and centre (level aside): what shapes each sample.
  function shaper(s) {
    var size = s.size, centre = s.centre, turn = rotationTerms(s.rotation);
    var rotate = turn[0] !== 1 || turn[1] !== 0;
    var still = same(size, [1, 1, 1]) && same(centre, [0, 0, 0]) && !rotate;
    return {
      still: still,
      identity: still && s.fade_in[0] === 0 && s.start === null && s.end === null,
      shape: function (x, y, z, lvl, out) {
        x *= size[0]; y *= size[1]; z *= size[2];
        if (rotate) { var rx = x * turn[0] - y * turn[1]; y = x * turn[1] + y * turn[0]; x = rx; }
        out[0] = centre[0] + lvl * x;
        out[1] = centre[1] + lvl * y;
        out[2] = centre[2] + lvl * z;
        return out;
      }
    };
  }

  // One pattern played by `copies` copies with the shaping `s`.
  function motion(s, pattern, copies) {
    var period = pattern.period, speed = s.speed, lag = lags(s, copies, period);
    var sign = s.reverse ? -1 : 1, shaping = shaper(s);

    // The pattern pip (a whole one when `t` is whole) of a copy `behind` pips
    // behind at row time t, and which way it is going (1 or -1).
    function patternPip(t, behind) {
      if (!s.pingpong) return PW.mod(sign * (t - behind), period);
      var u = PW.mod(sign * (t - behind), 2 * period);
      return (period - Math.abs(period - u)) % period;
    }
    function direction(t, behind) {
      return s.pingpong && PW.mod(sign * (t - behind), 2 * period) >= period ? -sign : sign;
    }

    return {
      lags: lag,
      copies: copies,
      // The row's time at master pip `at`: floor(at * p / q), exactly.
      time: function (at) {
        var whole = floorDiv(at, speed[1]);
        return whole * speed[0] + floorDiv((at - whole * speed[1]) * speed[0], speed[1]);
      },
      patternPips: function (at) {
        var t = this.time(at);
        return lag.map(function (behind) { return patternPip(t, behind); });
      },
      level: function (at) { return level(s, at); },
      // Each copy's shaped (x, y, z) at master pip `at`, as Motion.positions gives it.
      positions: function (at) {
        var table = PW.table(pattern), lvl = level(s, at);
        return this.patternPips(at).map(function (row) {
          var x = table[row * 3], y = table[row * 3 + 1], z = table[row * 3 + 2];
          return shaping.identity ? [x, y, z] : shaping.shape(x, y, z, lvl, [0, 0, 0]);
        });
      },
      // For drawing at a fractional master pip: each copy's pattern pip and way.
      drawPips: function (at, pips, ways) {
        var t = at * speed[0] / speed[1];
        for (var i = 0; i < copies; i++) {
          pips[i] = patternPip(t, lag[i]);
          ways[i] = direction(t, lag[i]);
        }
      }
    };
  }

  // The pattern as drawn: its table sized, rotated and moved to the centre
  // (the fade level is the markers'); the pattern itself when that is nothing.
  function shapedPattern(s, pattern) {
    var shaping = shaper(s);
    if (shaping.still) return pattern;
    var table = PW.table(pattern), period = pattern.period, out = new Float32Array(period * 3);
    var point = [0, 0, 0], components = pattern.components;
    for (var r = 0; r < period * 3; r += 3) {
      shaping.shape(table[r], table[r + 1], table[r + 2], 1, point);
      out[r] = point[0]; out[r + 1] = point[1]; out[r + 2] = point[2];
      if (point[2] !== 0) components = 3;
      else if (point[1] !== 0 && components < 2) components = 2;
    }
    return { name: pattern.name, period: period, components: components, table: out,
             axis: PW.singleAxis(out, period) };
  }

  // The settings that differ from Shaping()'s, as [key, value] (numbers,
  // booleans, lists, and a speed that is not whole as a text "p/q"); `row`
  // adds those that only a row of copies has (spread, wings, blocks).
  function settings(s, row) {
    var out = [];
    FIELDS.forEach(function (key) {
      var value = s[key];
      if (!row && (key === "spread" || key === "wings" || key === "blocks")) return;
      if (key === "spread" ? value[0] === 0 : same(value, DEFAULTS[key])) return;
      if (key === "size" && value[0] === value[1] && value[1] === value[2]) value = value[0];
      else if (key === "speed") value = value[1] === 1 ? value[0] : value[0] + "/" + value[1];
      else if (key === "spread" || key === "fade_in" || key === "fade_out") value = value[0] / value[1];
      out.push([key, value]);
    });
    return out;
  }

  function keptFor(pattern) {
    if (kept.name !== pattern.name) forget(pattern.name);
    return kept;
  }

  function forget(name) {
    kept = { name: name, motions: new Map(), shaped: null };
  }

  function changed() {
    forget(null);
    listeners.forEach(function (listener) { listener(state); });
  }

  PW.shaping = {
    DEFAULTS: DEFAULTS,
    get: function () { return state; },

    // Take settings named and valued as Shaping takes them (start and end in
    // pips); the names of those refused, which keep their values.
    set: function (changes) {
      var refused = [];
      Object.keys(changes).forEach(function (key) {
        var value = CHECK.hasOwnProperty(key) ? CHECK[key](changes[key]) : undefined;
        if (value === undefined) refused.push(key); else state[key] = value;
      });
      changed();
      return refused;
    },

    reset: function () {
      state = copy(DEFAULTS);
      changed();
    },
    onChange: function (listener) { listeners.push(listener); },

    // The Motion of `copies` copies of a pattern.
    motion: function (pattern, copies) {
      var motions = keptFor(pattern).motions;
      if (!motions.has(copies)) motions.set(copies, motion(state, pattern, copies));
      return motions.get(copies);
    },
    shaped: function (pattern) {
      var here = keptFor(pattern);
      if (!here.shaped) here.shaped = shapedPattern(state, pattern);
      return here.shaped;
    },

    settings: function (row) { return settings(state, row); },

    // The address keeps what differs from the page's start: size in percent,
    // start and end in beats.
    write: function (params) {
      var s = state, ppb = PW.pipsPerBeat;
      FIELDS.forEach(function (key) {
        var value = s[key];
        if (same(value, DEFAULTS[key])) return;
        if (key === "size") {
          value = value.map(function (v) { return Math.round(v * 100); });
          value = value[0] === value[1] && value[1] === value[2] ? value[0] : value.join(",");
        } else if (key === "speed") {
          value = value[1] === 1 ? value[0] : value.join("/");
        } else if (key === "spread" || key === "fade_in" || key === "fade_out") {
          value = value[0] / value[1];
        } else if (key === "start" || key === "end") {
          value = value / ppb;
        } else if (typeof value === "boolean") {
          value = "1";
        }
        params.set(key, String(value));
      });
    },
    read: function (params) {
      var s = copy(DEFAULTS), changes = {}, ppb = PW.pipsPerBeat;
      FIELDS.forEach(function (key) {
        var text = params.get(key);
        if (key === "wings" && text === null) text = params.get("mirror");  // its former name
        if (text === null) return;
        var value = text;
        if (typeof DEFAULTS[key] === "boolean") value = text === "1";
        else if (key === "size") value = text.split(",").map(function (v) { return number(v) / 100; });
        else if (key === "centre") value = text.split(",");
        else if (key === "start" || key === "end") value = PW.shaping.beatsToPips(text);
        if (key === "size" && value.length === 1) value = value[0];
        changes[key] = value;
      });
      state = s;
      var refused = this.set(changes);
      if (refused.length) PW.notice("This link's " + refused.join(", ") + " could not be used.");
    },

    // Beats as a whole number of pips (null for an empty text, NaN for one
    // that is no such number).
    beatsToPips: function (text) {
      if (String(text).trim() === "") return null;
      var f = fraction(text, 6);
      return f && (f[0] * PW.pipsPerBeat) % f[1] === 0 ? f[0] * PW.pipsPerBeat / f[1] : NaN;
    }
  };
})(window.PW = window.PW || {});
