#pragma once
// Registration of the module's parts. Each binding converts its arguments,
// makes one core call and converts the result; none holds state.

#include <pybind11/pybind11.h>

#include <vector>

#include "fast_calls.hpp"
#include "instances.hpp"
#include "name_argument.hpp"
#include "offset3_type.hpp"
#include "pulsework/pattern_info.hpp"

namespace pulsework::bindings {

namespace py = pybind11;

void register_offset3(py::module_& m);
void register_patterns(py::module_& m);
void register_catalogue(py::module_& m);
void register_rudiments(py::module_& m);

// Catalogue records as a new list of dicts with the keys "name",
// "description", "period_pips" and "dimensions", in that order.
py::list catalogue_dicts(const std::vector<PatternInfo>& records);

// A METH_FASTCALL | METH_KEYWORDS function as the PyCFunction a PyMethodDef holds.
template <typename F>
PyCFunction as_method(F* function) {
    return reinterpret_cast<PyCFunction>(reinterpret_cast<void (*)()>(function));
}

}  // namespace pulsework::bindings
