// Search and filters. Every word typed must occur in the name or the
// description; each filter narrows further. The family list follows the
// chosen pack, and every option shows how many patterns it holds.
(function (PW) {
  "use strict";

  var search, group, family, period, dims, count, empty;
  var DIMS_TEXT = { 1: "1D (x)", 2: "2D (x, y)", 3: "3D (x, y, z)" };

  function counted(values) {
    var counts = new Map();
    values.forEach(function (v) { counts.set(v, (counts.get(v) || 0) + 1); });
    return counts;
  }

  function fill(select, allText, entries, keep) {
    var previous = keep ? select.value : "";
    select.textContent = "";
    select.appendChild(new Option(allText, ""));
    entries.forEach(function (entry) {
      select.appendChild(new Option(entry.text + "  (" + entry.count + ")", entry.value));
    });
    select.value = previous;
    if (select.value !== previous) select.value = "";
  }

  function fillFamilies() {
    var chosen = group.value;
    var names = PW.patterns.filter(function (p) { return !chosen || p.group === chosen; })
                           .map(function (p) { return p.family; });
    var counts = counted(names);
    var entries = [];
    counts.forEach(function (n, name) { entries.push({ value: name, text: name, count: n }); });
    entries.sort(function (a, b) { return a.text < b.text ? -1 : a.text > b.text ? 1 : 0; });
    fill(family, "All families", entries, true);
  }

  function apply() {
    var words = search.value.toLowerCase().split(/\s+/).filter(Boolean);
    var g = group.value, f = family.value, p = period.value, d = dims.value;
    var shown = 0;
    PW.patterns.forEach(function (pattern) {
      var match = (!g || pattern.group === g) && (!f || pattern.family === f) &&
                  (!p || String(pattern.period) === p) && (!d || String(pattern.dims) === d) &&
                  words.every(function (w) { return pattern.haystack.indexOf(w) !== -1; });
      if (pattern.card.hidden === match) pattern.card.hidden = !match;
      if (match) shown++;
    });
    var total = PW.patterns.length;
    count.textContent = shown === total ? total + " patterns"
                                        : "Showing " + shown + " of " + total + " patterns";
    count.dataset.shown = shown;
    empty.hidden = shown !== 0;
  }

  PW.filters = {
    init: function () {
      search = PW.byId("search");
      group = PW.byId("filter-group");
      family = PW.byId("filter-family");
      period = PW.byId("filter-period");
      dims = PW.byId("filter-dims");
      count = PW.byId("count");
      empty = PW.byId("empty");

      var groupCounts = counted(PW.patterns.map(function (p) { return p.group; }));
      fill(group, "All packs", PW.groups.filter(function (name) { return groupCounts.has(name); })
        .map(function (name) { return { value: name, text: name, count: groupCounts.get(name) }; }));
      var periods = counted(PW.patterns.map(function (p) { return p.period; }));
      fill(period, "Any period", Array.from(periods.keys()).sort(function (a, b) { return a - b; })
        .map(function (pips) {
          var text = PW.beatsText(pips) + " (" + pips + " pips)";
          return { value: String(pips), text: text, count: periods.get(pips) };
        }));
      var dimCounts = counted(PW.patterns.map(function (p) { return p.dims; }));
      fill(dims, "Any dimensions", [1, 2, 3].filter(function (d) { return dimCounts.has(d); })
        .map(function (d) { return { value: String(d), text: DIMS_TEXT[d], count: dimCounts.get(d) }; }));
      fillFamilies();

      search.addEventListener("input", apply);
      group.addEventListener("change", function () { fillFamilies(); apply(); });
      [family, period, dims].forEach(function (select) { select.addEventListener("change", apply); });
      var clear = function () {
        search.value = "";
        group.value = family.value = period.value = dims.value = "";
        fillFamilies();
        apply();
      };
      PW.byId("clear").addEventListener("click", clear);
      PW.byId("clear-empty").addEventListener("click", clear);
      apply();
    },

    focusSearch: function () {
      search.focus();
      search.select();
    }
  };
})(window.PW = window.PW || {});
