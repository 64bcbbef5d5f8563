// Taking a pattern away: a Python program that prints where the pattern is
// (each copy, in the stagger view) at the page's tempo with the desk's
// shaping, and runs as it stands; in the stagger view, the rig file's
// [[group]] for pulsework-live with the same shaping; its rows as CSV or
// JSON in the form a --library file takes; and its groove's MIDI file when
// one was written beside the page.
(function (PW) {
  "use strict";

  var SCALE = 32767;
  // What a rig file's group says of its shaping (a fade in starts at the
  // show's start there).
  var RIG_KEYS = ["size", "centre", "speed", "spread", "reverse", "wings", "blocks", "pingpong",
                  "rotation", "fade_in"];
  var code, rigCode, status, midiLink, pattern = null, view = "detail";

  // The name the rows download under: a default keeps its name behind "my_"
  // (a library may not redefine a default pattern); a library pattern its own.
  function ownName(p) {
    return p.group === "library" ? p.name : "my_" + p.name;
  }

  // A setting's value in Python (or TOML, which differs in true and false).
  function literal(value, toml) {
    if (typeof value === "boolean") return toml ? String(value) : value ? "True" : "False";
    if (typeof value === "string") return JSON.stringify(value);
    if (Array.isArray(value)) return "[" + value.map(function (v) { return literal(v, toml); }).join(", ") + "]";
    return String(value);
  }

  function python(p, name) {
    var row = name === "stagger", library = p.group === "library";
    var settings = PW.shaping.settings(row);
    var args = settings.map(function (s) { return s[0] + "=" + literal(s[1]); });
    var shaping = "Shaping(" + args.join(", ") + ")";
    if (shaping.length > 80) shaping = "Shaping(\n    " + args.join(",\n    ") + ")";
    var names = ["pip_at"].concat(row ? ["Motion", "Shaping"] : settings.length ? ["Shaping", "positions"]
                                                                              : ["positions"]);
    if (library) names.push("load_patterns");
    var lines = ["from pulsework_motion import " + names.sort().join(", "), ""];
    if (library) {
      lines.push("library = load_patterns(" + JSON.stringify(PW.libraryFile || "patterns.json") +
                 ")  # your own patterns, from where you run this");
    }
    lines.push("bpm = " + PW.clock.bpm + "  # the tempo of the music, as on this page");
    lines.push("seconds = 1.25  # how far into the music");
    lines.push("pip = pip_at(seconds, bpm)  # 64 pips to a beat");
    lines.push('print("pip", pip)');
    if (row) {
      lines.push("shaping = " + shaping);
      lines.push("motion = Motion(" + JSON.stringify(p.name) + ", shaping, copies=" + PW.stagger.copies() +
                 (library ? ", library=library" : "") + ")");
      lines.push("for copy, (x, y, z) in enumerate(motion.positions(pip), 1):");
      lines.push("    print(copy, x, y, z)");
    } else {
      if (settings.length) lines.push("shaping = " + shaping);
      lines.push("x, y, z = positions(" + JSON.stringify(p.name) + ", pip" + (settings.length ? ", shaping" : "") +
                 (library ? ", library=library" : "") + ")[0]");
      lines.push("print(x, y, z)");
    }
    return lines.join("\n");
  }

  // The stagger view's row as a group of a pulsework-live rig file.
  function rigGroup(p) {
    var state = PW.shaping.get(), lines = ["[[group]]", "name = " + literal(p.name),
                                           "pattern = " + literal(p.name), "fixtures = " + PW.stagger.copies()];
    var left = [];
    PW.shaping.settings(true).forEach(function (s) {
      var carried = RIG_KEYS.indexOf(s[0]) !== -1 || (s[0] === "start" && s[1] === 0 && state.fade_in[0]);
      if (!carried) left.push(s[0] + "=" + literal(s[1]));
      else if (s[0] !== "start") lines.push(s[0] + " = " + literal(s[1], true));
    });
    if (left.length) lines.push("# not in a rig file: " + left.join(", ") + " (start and end in pips)");
    if (p.group === "library") {
      lines.push("# from your own patterns: pulsework-live --library " + (PW.libraryFile || "FILE") + " RIG.toml");
    }
    lines.push("# then the group's output, address and channels (pan, tilt, ...) as your fixtures have them");
    return lines.join("\n");
  }

  // The rows as the page holds them: whole steps of 1/32767, exactly.
  function rows(p) {
    var table = PW.table(p), out = [];
    for (var pip = 0; pip < p.period; pip++) {
      out.push([0, 1, 2].map(function (c) { return Math.round(table[pip * 3 + c] * SCALE) / SCALE; }));
    }
    return out;
  }

  function csvCell(text) {
    return /[",\r\n]/.test(text) ? '"' + text.replace(/"/g, '""') + '"' : text;
  }

  function csv(p) {
    var name = ownName(p), lines = ["name,description,pip,x,y,z"];
    rows(p).forEach(function (row, pip) {
      lines.push([name, pip === 0 ? csvCell(p.description) : "", pip].concat(row.map(String)).join(","));
    });
    return lines.join("\r\n") + "\r\n";
  }

  function json(p) {
    var samples = rows(p).map(function (row) { return "[" + row.map(String).join(", ") + "]"; });
    return '{"patterns": [{"name": ' + JSON.stringify(ownName(p)) + ', "description": ' +
           JSON.stringify(p.description) + ', "samples": [\n  ' + samples.join(",\n  ") + "\n]}]}\n";
  }

  function download(text, fileName, type) {
    var url = URL.createObjectURL(new Blob([text], { type: type }));
    var link = PW.el("a");
    link.href = url;
    link.download = fileName;
    document.body.appendChild(link);
    link.click();
    link.remove();
    setTimeout(function () { URL.revokeObjectURL(url); }, 10000);
  }

  function say(text) {
    status.textContent = text;
    clearTimeout(say.timer);
    say.timer = setTimeout(function () { status.textContent = ""; }, 4000);
  }

  function copyText(text) {
    function fallback() {
      var area = PW.el("textarea");
      area.value = text;
      area.setAttribute("readonly", "");
      area.style.position = "fixed";
      area.style.opacity = "0";
      document.body.appendChild(area);
      area.select();
      var done = false;
      try { done = document.execCommand("copy"); } catch (error) { done = false; }
      area.remove();
      say(done ? "Copied" : "Select the code and copy it");
    }
    if (navigator.clipboard && navigator.clipboard.writeText) {
      navigator.clipboard.writeText(text).then(function () { say("Copied"); }, fallback);
    } else {
      fallback();
    }
  }

  PW.takeaway = {
    init: function () {
      code = PW.byId("python-code");
      rigCode = PW.byId("rig-code");
      status = PW.byId("takeaway-status");
      midiLink = PW.byId("midi-link");
      PW.byId("copy-python").addEventListener("click", function () {
        if (pattern) copyText(python(pattern, view));
      });
      PW.byId("copy-rig").addEventListener("click", function () {
        if (pattern) copyText(rigGroup(pattern));
      });
      PW.byId("download-csv").addEventListener("click", function () {
        if (pattern) download(csv(pattern), ownName(pattern) + ".csv", "text/csv");
      });
      PW.byId("download-json").addEventListener("click", function () {
        if (pattern) download(json(pattern), ownName(pattern) + ".json", "application/json");
      });
      PW.clock.onChange(function (what) { if (what === "tempo") PW.takeaway.refresh(); });
    },

    show: function (p, name) {
      pattern = p;
      view = name;
      var file = p.groove && PW.midiFiles[p.groove.name];
      midiLink.hidden = !file;
      if (file) {
        midiLink.href = file;
        midiLink.setAttribute("download", "");
        midiLink.title = "The drum programme of " + p.groove.name + " as a Standard MIDI File";
      }
      this.refresh();
    },

    refresh: function () {
      if (!pattern) return;
      code.textContent = python(pattern, view);
      PW.byId("rig-takeaway").hidden = view !== "stagger";
      if (view === "stagger") rigCode.textContent = rigGroup(pattern);
    },

    // For tools and tests: the texts the buttons download.
    csv: csv,
    json: json
  };
})(window.PW = window.PW || {});
