#include "bindings.hpp"
#include "pulsework/rudiments.hpp"
#include "pulsework/shapes.hpp"

namespace pulsework::bindings {
namespace {

using Rudiment = Offset3 (*)(int) noexcept;

template <Rudiment F>
Fallback rudiment_fallback = nullptr;

template <Rudiment F>
PyObject* fast_rudiment(PyObject*, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
    int pip;
    if (nargs == 1 && kwnames == nullptr && exact_pip(args[0], pip)) {
        return new_offset3(F(pip));
    }
    return call_fallback(rudiment_fallback<F>, args, nargs, kwnames);
}

template <Rudiment F>
PyMethodDef fast_rudiment_definition = {nullptr, as_method(fast_rudiment<F>), METH_FASTCALL | METH_KEYWORDS,
                                        nullptr};

// Bound as a plain function pointer with an unnamed, positional-only pip,
// then fronted by its fast path.
template <Rudiment F>
void define(py::module_& m, const char* name) {
    m.def(name, F);
    fast_rudiment_definition<F>.ml_name = name;
    put_in_front(m, fast_rudiment_definition<F>, rudiment_fallback<F>);
}

}  // namespace

void register_rudiments(py::module_& m) {
    define<&pulsework::bounce>(m, "bounce");
    define<&pulsework::sway>(m, "sway");
    define<&pulsework::circle>(m, "circle");
    define<&pulsework::figure_eight>(m, "figure_eight");
    define<&pulsework::step_touch>(m, "step_touch");
    define<&pulsework::box_step>(m, "box_step");
    define<&pulsework::helix>(m, "helix");
    define<&pulsework::vorn_background>(m, "vorn_background");
    define<&pulsework::single_stroke_roll>(m, "single_stroke_roll");
    define<&pulsework::double_stroke_roll>(m, "double_stroke_roll");
    define<&pulsework::multiple_bounce_roll>(m, "multiple_bounce_roll");
    define<&pulsework::single_paradiddle>(m, "single_paradiddle");
    define<&pulsework::flam>(m, "flam");
    define<&pulsework::drag>(m, "drag");
    define<&pulsework::five_stroke_roll>(m, "five_stroke_roll");
}

}  // namespace pulsework::bindings
