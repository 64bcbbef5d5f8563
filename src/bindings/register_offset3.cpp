#include "bindings.hpp"
#include "pulsework/offset3.hpp"

namespace pulsework::bindings {

void register_offset3(py::module_& m) {
    // No constructor: positions only come from the sampling functions.
    py::class_<Offset3>(m, "Offset3")
        .def_readonly("x", &Offset3::x)
        .def_readonly("y", &Offset3::y)
        .def_readonly("z", &Offset3::z)
        .def("as_tuple", [](const Offset3& o) { return py::make_tuple(o.x, o.y, o.z); });
}

}  // namespace pulsework::bindings
