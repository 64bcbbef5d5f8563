// The embedded catalogue: records, and sample tables decoded on first use.
(function (PW) {
  "use strict";

  var SCALE = 1 / 32767;

  PW.loadData = function () {
    var doc = JSON.parse(PW.byId("pw-data").textContent);
    PW.pipsPerBeat = doc.pipsPerBeat;
    PW.startTempo = doc.tempo;
    PW.groups = doc.groups;
    PW.families = doc.families;
    PW.midiFiles = doc.midi || {};
    PW.libraryFile = doc.library || null;
    PW.byName = Object.create(null);
    PW.patterns = doc.patterns.map(function (row, index) {
      var pattern = {
        index: index,
        name: row[0],
        description: row[1],
        period: row[2],
        dims: row[3],
        group: doc.groups[row[4]],
        family: doc.families[row[5]],
        components: row[6],
        blob: row[7],
        table: null
      };
      pattern.haystack = (pattern.name + " " + pattern.name.replace(/_/g, " ") + " " +
                          pattern.description).toLowerCase();
      PW.byName[pattern.name] = pattern;
      return pattern;
    });
    markVariants(PW.patterns);
    linkGrooves(doc.grooves);
  };

  // The drum programmes, by groove name, and each groove pattern's link to
  // its own: a pattern is the groove's when its name is the groove's name,
  // an underscore and a shape (beat_house_classic_bounce).
  function linkGrooves(grooves) {
    PW.grooves = Object.create(null);
    if (!grooves) return;
    grooves.list.forEach(function (row) {
      PW.grooves[row[0]] = {
        name: row[0],
        label: row[1],
        period: row[2],
        events: row[3].map(function (e) {
          var event = { lane: grooves.lanes[e[0]], pip: e[1], velocity: e[2] };
          if (e.length > 3) { event.note = e[3]; event.length = e[4]; }
          return event;
        })
      };
    });
    var names = Object.keys(PW.grooves).sort(function (a, b) { return b.length - a.length; });
    PW.patterns.forEach(function (pattern) {
      if (pattern.name.lastIndexOf("beat_", 0) !== 0) return;
      for (var i = 0; i < names.length; i++) {
        if (pattern.name.lastIndexOf(names[i] + "_", 0) === 0) {
          pattern.groove = PW.grooves[names[i]];
          return;
        }
      }
    });
  }

  // Whole families share one description. Each member of such a set gets
  // what tells it apart: the part of its name that the others do not share
  // (`variant`, such as "3 · 7" for euclid_3_7), and its place in the set
  // (`member` of `members`), which gives it a trace colour of its own.
  function markVariants(patterns) {
    var sets = new Map();
    patterns.forEach(function (pattern) {
      if (!pattern.description) return;
      var set = sets.get(pattern.description);
      if (!set) sets.set(pattern.description, set = []);
      set.push(pattern);
    });
    sets.forEach(function (set) {
      if (set.length < 2) return;
      var words = set.map(function (p) { return p.name.split("_"); });
      var shortest = Math.min.apply(null, words.map(function (w) { return w.length; }));
      var head = 0, tail = 0;
      while (head < shortest - 1 && words.every(function (w) { return w[head] === words[0][head]; })) head++;
      while (tail < shortest - head - 1 &&
             words.every(function (w) { return w[w.length - 1 - tail] === words[0][words[0].length - 1 - tail]; })) {
        tail++;
      }
      set.forEach(function (pattern, index) {
        var own = words[index].slice(head, words[index].length - tail);
        var numbers = own.every(function (word) { return /^\d+$/.test(word); });
        pattern.variant = own.join(numbers ? " \u00b7 " : " ");
        pattern.member = index;
        pattern.members = set.length;
      });
    });
  }

  // x, y, z of every pip of the period, as one Float32Array of 3 * period.
  PW.table = function (pattern) {
    if (pattern.table) return pattern.table;
    var binary = atob(pattern.blob);
    var bytes = new Uint8Array(binary.length);
    for (var i = 0; i < binary.length; i++) bytes[i] = binary.charCodeAt(i);
    var view = new DataView(bytes.buffer);
    var c = pattern.components, period = pattern.period;
    var table = new Float32Array(period * 3);
    for (var row = 0; row < period; row++) {
      for (var k = 0; k < c; k++) {
        table[row * 3 + k] = view.getInt16((row * c + k) * 2, true) * SCALE;
      }
    }
    pattern.table = table;
    pattern.blob = null;
    pattern.axis = PW.singleAxis(table, period);
    return table;
  };

  // 0 or 1 when x alone or y alone moves (and the other components keep
  // still), else -1: such a pattern is best seen as its value against time.
  PW.singleAxis = function (table, period) {
    var moving = [];
    for (var c = 0; c < 3; c++) {
      var low = table[c], high = table[c];
      for (var row = 1; row < period; row++) {
        var v = table[row * 3 + c];
        if (v < low) low = v; else if (v > high) high = v;
      }
      if (high > low) moving.push(c);
    }
    return moving.length === 1 && moving[0] < 2 ? moving[0] : -1;
  };

  // Position at a fractional pip, straight between the two neighbouring pips.
  PW.at = function (pattern, pip, out) {
    var table = PW.table(pattern), period = pattern.period;
    var base = Math.floor(pip);
    var f = pip - base;
    var a = PW.mod(base, period) * 3;
    var b = PW.mod(base + 1, period) * 3;
    out[0] = table[a] + (table[b] - table[a]) * f;
    out[1] = table[a + 1] + (table[b + 1] - table[a + 1]) * f;
    out[2] = table[a + 2] + (table[b + 2] - table[a + 2]) * f;
    return out;
  };
})(window.PW = window.PW || {});
