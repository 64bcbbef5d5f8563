#include "bindings.hpp"
#include "pulsework/rudiments.hpp"
#include "pulsework/shapes.hpp"

namespace pulsework::bindings {

void register_rudiments(py::module_& m) {
    // Bound as plain function pointers with an unnamed, positional-only pip.
    m.def("bounce", &pulsework::bounce);
    m.def("sway", &pulsework::sway);
    m.def("circle", &pulsework::circle);
    m.def("figure_eight", &pulsework::figure_eight);
    m.def("step_touch", &pulsework::step_touch);
    m.def("box_step", &pulsework::box_step);
    m.def("helix", &pulsework::helix);
    m.def("vorn_background", &pulsework::vorn_background);
    m.def("single_stroke_roll", &pulsework::single_stroke_roll);
    m.def("double_stroke_roll", &pulsework::double_stroke_roll);
    m.def("multiple_bounce_roll", &pulsework::multiple_bounce_roll);
    m.def("single_paradiddle", &pulsework::single_paradiddle);
    m.def("flam", &pulsework::flam);
    m.def("drag", &pulsework::drag);
    m.def("five_stroke_roll", &pulsework::five_stroke_roll);
}

}  // namespace pulsework::bindings
