// The desk: the controls of the detail and stagger views that set the
// shaping, and their showing of it. A text that is no usable value is
// marked invalid and changes nothing.
(function (PW) {
  "use strict";

  var AXES = ["x", "y", "z"];

  function value(id) { return PW.byId(id).value; }
  function axes(prefix) { return AXES.map(function (axis) { return value(prefix + axis); }); }
  function percent(v) { return String(Math.round(v * 100)); }
  function beats(pips) { return pips === null ? "" : String(pips / PW.pipsPerBeat); }
  function decimal(f) { return String(f[0] / f[1]); }

  // [control id, the changes its value makes, its value from the shaping].
  var FIELDS = [
    ["desk-speed-text", function (v) { return { speed: v }; },
     function (s) { return s.speed[1] === 1 ? String(s.speed[0]) : s.speed.join("/"); }],
    ["desk-rotation", function (v) { return { rotation: v }; }, function (s) { return String(s.rotation); }],
    ["desk-fade-in", function (v) { return { fade_in: v }; }, function (s) { return decimal(s.fade_in); }],
    ["desk-fade-out", function (v) { return { fade_out: v }; }, function (s) { return decimal(s.fade_out); }],
    ["desk-start", function (v) { return { start: PW.shaping.beatsToPips(v) }; },
     function (s) { return beats(s.start); }],
    ["desk-end", function (v) { return { end: PW.shaping.beatsToPips(v) }; }, function (s) { return beats(s.end); }],
    ["stagger-spread", function (v) { return { spread: v }; }, function (s) { return decimal(s.spread); }],
    ["stagger-blocks", function (v) { return { blocks: v }; }, function (s) { return String(s.blocks); }]
  ];
  AXES.forEach(function (axis, c) {
    FIELDS.push(["desk-size-" + axis,
                 function () { return { size: axes("desk-size-").map(function (v) { return Number(v) / 100; }) }; },
                 function (s) { return percent(s.size[c]); }]);
    FIELDS.push(["desk-centre-" + axis, function () { return { centre: axes("desk-centre-") }; },
                 function (s) { return String(s.centre[c]); }]);
  });
  var BOXES = [["desk-reverse", "reverse"], ["desk-pingpong", "pingpong"], ["stagger-wings", "wings"]];

  // Number boxes report "" while what is typed is no number yet: only a
  // finished change (leaving the box, Enter) marks it invalid.
  function bind(field) {
    var input = PW.byId(field[0]);
    function apply(finished) {
      if (!finished && (input.value === "" || !input.checkValidity())) return;
      var refused = PW.shaping.set(field[1](input.value));
      if (finished || !refused.length) input.setAttribute("aria-invalid", String(refused.length > 0));
    }
    input.addEventListener("input", function () { apply(false); });
    input.addEventListener("change", function () { apply(true); });
  }

  function show(state) {
    var size = state.size, uniform = size[0] === size[1] && size[1] === size[2];
    PW.byId("desk-size").value = Math.round(Math.max(size[0], size[1], size[2]) * 100);
    PW.byId("desk-size-value").textContent = uniform ? percent(size[0]) + "%" : "per axis";
    var speed = state.speed[1] === 1 ? String(state.speed[0]) : state.speed.join("/");
    var select = PW.byId("desk-speed");
    select.value = Array.prototype.some.call(select.options, function (o) { return o.value === speed; }) ? speed : "";
    FIELDS.forEach(function (field) {
      var input = PW.byId(field[0]);
      if (document.activeElement === input && input.getAttribute("aria-invalid") === "true") return;
      if (document.activeElement !== input) input.value = field[2](state);
      input.setAttribute("aria-invalid", "false");
    });
    BOXES.forEach(function (box) { PW.byId(box[0]).checked = state[box[1]]; });
    // Settings a view does not show open the section that holds them.
    var more = PW.byId("desk-more");
    if (!more.open && (!uniform || state.centre.some(Boolean) || state.fade_in[0] || state.fade_out[0] ||
                       state.start !== null || state.end !== null)) more.open = true;
  }

  PW.desk = {
    init: function () {
      PW.byId("desk-size").addEventListener("input", function (event) {
        PW.shaping.set({ size: Number(event.target.value) / 100 });
      });
      PW.byId("desk-speed").addEventListener("change", function (event) {
        if (event.target.value) PW.shaping.set({ speed: event.target.value });
        else PW.byId("desk-speed-text").focus();
      });
      FIELDS.forEach(bind);
      BOXES.forEach(function (box) {
        var input = PW.byId(box[0]);
        input.addEventListener("change", function () {
          var changes = {};
          changes[box[1]] = input.checked;
          PW.shaping.set(changes);
        });
      });
      PW.byId("desk-reset").addEventListener("click", function () { PW.shaping.reset(); });
      PW.shaping.onChange(show);
      show(PW.shaping.get());
    }
  };
})(window.PW = window.PW || {});
