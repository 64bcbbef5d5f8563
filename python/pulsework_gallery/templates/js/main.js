// Start-up, the address and its history, and the one animation loop.
(function (PW) {
  "use strict";

  // The address keeps what is open, how it is shaped, and the tempo:
  //   index.html#pattern=helix&view=stagger&copies=8&speed=3/4&wings=1&bpm=96
  //   index.html#compare=helix,sway&bpm=96
  // Opening a pattern or a comparison adds a history entry, so Back closes
  // it; every other change rewrites the current entry.
  PW.url = {
    params: function () {
      var params = new URLSearchParams();
      var pattern = PW.detail.pattern();
      var comparing = PW.compare.isOpen();
      if (comparing) {
        params.set("compare", PW.compare.names().join(","));
      } else if (pattern) {
        params.set("pattern", pattern.name);
        if (PW.detail.view() === "stagger") {
          params.set("view", "stagger");
          params.set("copies", String(PW.stagger.copies()));
        }
        PW.shaping.write(params);
      }
      if (pattern || comparing || PW.clock.bpm !== PW.startTempo) params.set("bpm", String(PW.clock.bpm));
      // Names are letters, digits and underscores: the commas between them
      // (and the slash of a speed) need no escape.
      return params.toString().replace(/%2C/g, ",").replace(/%2F/g, "/");
    },

    address: function () {
      var hash = PW.url.params();
      return { hash: hash, href: location.href.split("#")[0] + (hash ? "#" + hash : "") };
    },

    write: function () {
      var address = PW.url.address();
      PW.byId("permalink").href = PW.byId("compare-link").href = address.href;
      if (location.hash.slice(1) !== address.hash) history.replaceState(history.state, "", address.href);
    },

    writeSoon: function () {
      if (pendingWrite) clearTimeout(pendingWrite);
      pendingWrite = setTimeout(function () { pendingWrite = null; PW.url.write(); }, 250);
    },

    push: function () {
      var address = PW.url.address();
      PW.byId("permalink").href = PW.byId("compare-link").href = address.href;
      if (location.hash.slice(1) !== address.hash) history.pushState({ pw: "view" }, "", address.href);
    },

    // Show what the address asks for. `everything`: also take its tempo,
    // copies and shaping (on loading, or an address typed or followed);
    // moving through the page's own history changes only what is open.
    read: function (everything) {
      var params = new URLSearchParams(location.hash.slice(1));
      if (everything) {
        if (params.has("bpm")) PW.transport.setTempo(params.get("bpm"), false);
        if (params.has("copies")) PW.stagger.setCopies(params.get("copies"));
        if (params.has("pattern")) PW.shaping.read(params);
      }
      if (params.has("compare")) {
        var names = params.get("compare").split(",").filter(Boolean);
        var known = names.filter(function (name) { return PW.byName[name]; });
        unknown(names.filter(function (name) { return !PW.byName[name]; }));
        if (known.length) {
          PW.detail.close();
          PW.compare.open(known.map(function (name) { return PW.byName[name]; }));
        } else {
          closeAll();
        }
        return;
      }
      var name = params.get("pattern");
      var pattern = name ? PW.byName[name] : null;
      if (name) unknown(pattern ? [] : [name]);
      if (pattern) {
        PW.compare.close();
        PW.detail.open(pattern, params.get("view") === "stagger" ? "stagger" : "detail");
      } else {
        closeAll();
      }
    }
  };

  var pendingWrite = null;

  function unknown(names) {
    if (!names.length) return;
    var quoted = names.map(function (name) { return "\u201c" + name + "\u201d"; }).join(", ");
    PW.notice((names.length === 1 ? "No pattern is called " : "No patterns are called ") + quoted +
              " in this gallery; the link may be mistyped, or for a gallery written with another library.");
  }

  function closeAll() {
    var closed = PW.compare.close();
    return PW.detail.close() || closed;
  }

  // Opening from the page adds a history entry.
  PW.show = {
    pattern: function (pattern, view) {
      PW.notice("");
      PW.compare.close();
      PW.detail.open(pattern, view);
      PW.url.push();
    },
    compare: function (patterns) {
      PW.notice("");
      PW.detail.close();
      PW.compare.open(patterns);
      PW.url.push();
    }
  };

  // Close whatever view is open. When the page opened it, step back through
  // history, so that Back afterwards leaves as it would have before.
  PW.closeOverlays = function () {
    if (!closeAll()) return;
    if (history.state && history.state.pw === "view") history.back();
    else PW.url.write();
  };

  function frame(now) {
    PW.clock.tick(now);
    if (PW.sound) PW.sound.pump();
    if (PW.clock.dirty) {
      PW.clock.dirty = false;
      var pip = PW.clock.pip();
      if (PW.compare.isOpen()) PW.compare.animate(pip);
      else if (PW.detail.isOpen()) PW.detail.animate(pip);
      else PW.cards.animate(pip);
      PW.transport.updateClock();
    }
    requestAnimationFrame(frame);
  }

  function start() {
    PW.loadData();
    PW.transport.init();
    // Everything still until asked, for those who ask their system for less motion.
    if (window.matchMedia && window.matchMedia("(prefers-reduced-motion: reduce)").matches) {
      PW.transport.setPlaying(false);
    }
    PW.detail.init();
    PW.desk.init();
    PW.stagger.init();
    PW.takeaway.init();
    PW.compare.init();
    if (PW.sound) PW.sound.init();
    var built = PW.cards.build(PW.byId("grid"));
    PW.filters.init();
    PW.byId("notice-close").addEventListener("click", function () { PW.notice(""); });
    built.then(function () {
      requestAnimationFrame(function () {
        document.documentElement.dataset.readyMs = performance.now().toFixed(1);
        document.documentElement.dataset.state = "ready";
      });
    });
    history.replaceState({ pw: "base" }, "");
    PW.url.read(true);
    PW.url.write();
    window.addEventListener("popstate", function (event) {
      PW.url.read(!(event.state && event.state.pw));
      PW.url.write();
    });
    requestAnimationFrame(frame);
  }

  if (document.readyState === "loading") document.addEventListener("DOMContentLoaded", start);
  else start();
})(window.PW = window.PW || {});
