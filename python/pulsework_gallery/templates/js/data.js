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
  };

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
    return table;
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
