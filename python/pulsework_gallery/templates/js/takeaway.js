// Taking a pattern away: the Python that places it at the page's tempo (with
// the desk's shaping), its rows as CSV or JSON in the form a --library file
// takes, and its groove's MIDI file when one was written beside the page.
(function (PW) {
  "use strict";

  var SCALE = 32767;
  var code, status, midiLink, pattern = null, view = "detail";

  // The name the rows download under: a default keeps its name behind "my_"
  // (a library may not redefine a default pattern); a library pattern its own.
  function ownName(p) {
    return p.group === "library" ? p.name : "my_" + p.name;
  }

  function python(p, name) {
    var copies = name === "stagger" ? PW.stagger.copies() : 0;
    var line = PW.shaping.python(p.name, p.period, copies);
    var lines = ["import pulsework", ""];
    if (p.group === "library") {
      line = line.replace("pulsework.sample(", "library.sample(");
      lines.push("# library: the pulsework.PatternLibrary built from your own patterns");
    }
    lines.push("bpm = " + PW.clock.bpm + "  # the tempo of the music, as on this page");
    lines.push("seconds = 1.25  # how far into the music");
    lines.push("pip = int(seconds * bpm / 60 * pulsework.PIPS_PER_BEAT)");
    lines.push(line);
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
      status = PW.byId("takeaway-status");
      midiLink = PW.byId("midi-link");
      PW.byId("copy-python").addEventListener("click", function () {
        if (pattern) copyText(python(pattern, view));
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
      if (pattern) code.textContent = python(pattern, view);
    },

    // For tools and tests: the texts the buttons download.
    csv: csv,
    json: json
  };
})(window.PW = window.PW || {});
