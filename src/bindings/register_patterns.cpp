#include <string>
#include <utility>

#include "bindings.hpp"
#include "pattern_arguments.hpp"
#include "pulsework/pattern_library.hpp"
#include "pulsework/sampled_pattern.hpp"

namespace pulsework::bindings {

void register_patterns(py::module_& m) {
    // Text is returned as str, decoded strictly: a description stored from
    // bytes that are not UTF-8 raises UnicodeDecodeError when read.
    py::class_<SampledPattern>(m, "SampledPattern")
        .def(py::init([](std::string name, std::string description, SampleRows samples) {
                 return SampledPattern(std::move(name), std::move(description), std::move(samples.rows));
             }),
             py::arg("name"), py::arg("description"), py::arg("samples"))
        .def_property_readonly("name", &SampledPattern::name)
        .def_property_readonly("description", &SampledPattern::description)
        .def_property_readonly("period_pips", &SampledPattern::period_pips)
        .def("sample", &SampledPattern::sample, py::arg("pip_count").noconvert());

    // The library copies the patterns it keeps; the Python objects passed in
    // are left as they were.
    py::class_<PatternLibrary>(m, "PatternLibrary")
        .def(py::init([](const PatternRefs& patterns) { return PatternLibrary::from_copies(patterns.refs); }),
             py::arg("patterns") = py::list())
        .def("sample", &PatternLibrary::sample, py::arg("name"), py::arg("pip_count").noconvert())
        .def("catalogue", [](const PatternLibrary& library) { return catalogue_dicts(library.catalogue()); });
}

}  // namespace pulsework::bindings
