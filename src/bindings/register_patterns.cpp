#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "bindings.hpp"
#include "pattern_arguments.hpp"
#include "pulsework/pattern_library.hpp"
#include "pulsework/sampled_pattern.hpp"

namespace pulsework::bindings {
namespace {

Fallback pattern_sample_fallback = nullptr;
Fallback library_sample_fallback = nullptr;

Offset3 library_sample(Self<PatternLibrary> library, const NameArgument& name, int pip) {
    const std::string_view bytes = name.view();
    if (const std::optional<Offset3> position = library->try_sample(bytes, pip)) {
        return *position;
    }
    set_unknown_name(bytes);
    throw py::error_already_set();
}

// Python has checked that `self` is an instance of the class. The core calls
// cannot throw here (a pattern built from Python always has samples); should
// one ever do, the fallback makes the call again and translates the error.
PyObject* fast_pattern_sample(PyObject* self, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
    const SampledPattern* pattern = nullptr;
    if (core_object(self, pattern) == Instance::unconstructed) {
        set_unconstructed_error<SampledPattern>();
        return nullptr;
    }
    int pip;
    if (pattern != nullptr && nargs == 1 && kwnames == nullptr && exact_pip(args[0], pip)) {
        try {
            return new_offset3(pattern->sample(pip));
        } catch (...) {
        }
    }
    return call_method_fallback(pattern_sample_fallback, self, args, nargs, kwnames);
}

PyObject* fast_library_sample(PyObject* self, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
    const PatternLibrary* library = nullptr;
    if (core_object(self, library) == Instance::unconstructed) {
        set_unconstructed_error<PatternLibrary>();
        return nullptr;
    }
    std::string_view name;
    int pip;
    if (library != nullptr && nargs == 2 && kwnames == nullptr && exact_name(args[0], name) &&
        exact_pip(args[1], pip)) {
        try {
            if (const std::optional<Offset3> position = library->try_sample(name, pip)) {
                return new_offset3(*position);
            }
            return set_unknown_name(args[0]);
        } catch (...) {
        }
    }
    return call_method_fallback(library_sample_fallback, self, args, nargs, kwnames);
}

PyMethodDef fast_pattern_sample_definition = {"sample", as_method(fast_pattern_sample),
                                              METH_FASTCALL | METH_KEYWORDS, nullptr};
PyMethodDef fast_library_sample_definition = {"sample", as_method(fast_library_sample),
                                              METH_FASTCALL | METH_KEYWORDS, nullptr};

}  // namespace

void register_patterns(py::module_& m) {
    // Text is returned as str, decoded strictly: a description stored from
    // bytes that are not UTF-8 raises UnicodeDecodeError when read.
    auto sampled_pattern =
        py::class_<SampledPattern>(m, "SampledPattern")
            .def(py::init([](std::string name, std::string description, SampleRows samples) {
                     return SampledPattern(std::move(name), std::move(description), std::move(samples.rows));
                 }),
                 py::arg("name"), py::arg("description"), py::arg("samples"))
            .def_property_readonly("name", [](Self<SampledPattern> p) -> const std::string& { return p->name(); })
            .def_property_readonly("description",
                                   [](Self<SampledPattern> p) -> const std::string& { return p->description(); })
            .def_property_readonly("period_pips", [](Self<SampledPattern> p) { return p->period_pips(); })
            .def("sample", [](Self<SampledPattern> p, int pip) { return p->sample(pip); },
                 py::arg("pip_count").noconvert());
    remember_registration<SampledPattern>(sampled_pattern);
    put_in_front(sampled_pattern, fast_pattern_sample_definition, pattern_sample_fallback);

    // The library copies the patterns it keeps; the Python objects passed in
    // are left as they were.
    auto library =
        py::class_<PatternLibrary>(m, "PatternLibrary")
            .def(py::init([](const PatternRefs& patterns) { return PatternLibrary::from_copies(patterns.refs); }),
                 py::arg("patterns") = py::list())
            .def("sample", &library_sample, py::arg("name"), py::arg("pip_count").noconvert())
            .def("catalogue", [](Self<PatternLibrary> library) { return catalogue_dicts(library->catalogue()); });
    remember_registration<PatternLibrary>(library);
    put_in_front(library, fast_library_sample_definition, library_sample_fallback);
}

}  // namespace pulsework::bindings
