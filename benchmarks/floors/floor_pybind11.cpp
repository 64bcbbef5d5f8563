// The pybind11 floor: functions of pulsework's call shapes that do no work.
#include <pybind11/pybind11.h>

#include <string_view>

namespace py = pybind11;

namespace {

struct Triple {
    double x;
    double y;
    double z;
};

struct Holder {};

}  // namespace

PYBIND11_MODULE(pulsework_floor_pybind11, m) {
    py::class_<Triple>(m, "Triple")
        .def_readonly("x", &Triple::x)
        .def_readonly("y", &Triple::y)
        .def_readonly("z", &Triple::z)
        .def("as_tuple", [](const Triple& t) { return py::make_tuple(t.x, t.y, t.z); });
    m.def("f", [](int pip) { return Triple{static_cast<double>(pip), 0.0, 0.0}; });
    m.def("g", [](std::string_view name, int pip) {
        return Triple{static_cast<double>(name.size()), static_cast<double>(pip), 0.0};
    }, py::arg("name"), py::arg("pip_count"));
    m.def("h", [](int pip) { return static_cast<double>(pip); });
    py::class_<Holder>(m, "Holder")
        .def(py::init<>())
        .def("f", [](const Holder&, int pip) { return Triple{static_cast<double>(pip), 0.0, 0.0}; },
             py::arg("pip_count"))
        .def("g", [](const Holder&, std::string_view name, int pip) {
            return Triple{static_cast<double>(name.size()), static_cast<double>(pip), 0.0};
        }, py::arg("name"), py::arg("pip_count"));
}
