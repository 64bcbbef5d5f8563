#include "pattern_arguments.hpp"

#include <algorithm>
#include <cstddef>

#include "instances.hpp"

namespace py = pybind11;

namespace {

// The kinds that are not sequences but are accepted all the same.
bool accepted_iterable(PyObject* o) {
    return PyGen_Check(o) || PyAnySet_Check(o) || PyObject_TypeCheck(o, &PyDictKeys_Type) ||
           PyObject_TypeCheck(o, &PyDictValues_Type) || PyObject_TypeCheck(o, &PyDictItems_Type) ||
           PyObject_TypeCheck(o, &PyMap_Type) || PyObject_TypeCheck(o, &PyZip_Type);
}

// The value as something to index or iterate: a sequence as it is, one of
// the other accepted kinds as a new tuple. A null object when the value is
// not an accepted container; an exception raised while iterating propagates.
py::object as_sequence(py::handle src, bool convert) {
    PyObject* o = src.ptr();
    if (PySequence_Check(o)) {
        if (PyUnicode_Check(o) || PyBytes_Check(o)) {
            return {};
        }
        return py::reinterpret_borrow<py::object>(src);
    }
    if (!convert || !accepted_iterable(o)) {
        return {};
    }
    py::object items = py::reinterpret_steal<py::object>(PySequence_Tuple(o));
    if (!items) {
        throw py::error_already_set();
    }
    return items;
}

// Calls f(item) for each item in order, holding a reference to the item
// while f runs; stops at the first item for which f returns false.
template <typename F>
bool each_item(py::handle sequence, F&& f) {
    PyObject* s = sequence.ptr();
    if (PyList_CheckExact(s) || PyTuple_CheckExact(s)) {
        // The size is read at every step: converting a number can run
        // Python code, and that code can shorten a list.
        for (Py_ssize_t i = 0; i < PySequence_Fast_GET_SIZE(s); ++i) {
            const auto item = py::reinterpret_borrow<py::object>(PySequence_Fast_GET_ITEM(s, i));
            if (!f(item)) {
                return false;
            }
        }
        return true;
    }
    for (py::handle item : sequence) {
        if (!f(item)) {
            return false;
        }
    }
    return true;
}

// One sample: a container of exactly three numbers. Counting as the items
// come, rather than trusting a reported length, never reads past the third.
bool load_sample(py::handle item, bool convert, pulsework::Offset3& out) {
    const py::object components = as_sequence(item, convert);
    if (!components) {
        return false;
    }
    PyObject* c = components.ptr();
    if ((PyList_CheckExact(c) || PyTuple_CheckExact(c)) && PySequence_Fast_GET_SIZE(c) != 3) {
        return false;
    }
    double xyz[3];
    std::size_t count = 0;
    const bool converted = each_item(components, [&](py::handle component) {
        py::detail::make_caster<double> number;
        if (count == 3 || !number.load(component, convert)) {
            return false;
        }
        xyz[count++] = static_cast<double>(number);
        return true;
    });
    if (!converted || count != 3) {
        return false;
    }
    out = {xyz[0], xyz[1], xyz[2]};
    return true;
}

}  // namespace

namespace pybind11::detail {

bool type_caster<pulsework::bindings::SampleRows>::load(handle src, bool convert) {
    const object samples = as_sequence(src, convert);
    if (!samples) {
        return false;
    }
    const Py_ssize_t size = PyObject_Size(samples.ptr());
    if (size < 0) {
        throw error_already_set();
    }
    // Rows are converted only up to one more than a pattern can have: that
    // many are enough for the pattern to refuse the count, with the message
    // it gives for any longer input, and a huge input costs no more. The
    // length a container reports is never trusted to size more than that.
    constexpr std::size_t limit = pulsework::SampledPattern::max_samples + 1;
    value.rows.clear();
    value.rows.reserve(std::min(static_cast<std::size_t>(size), limit));
    bool converted = true;
    each_item(samples, [&](handle item) {
        pulsework::Offset3 sample;
        if (!load_sample(item, convert, sample)) {
            converted = false;
            return false;
        }
        value.rows.push_back(sample);
        return value.rows.size() < limit;
    });
    return converted;
}

bool type_caster<pulsework::bindings::PatternRefs>::load(handle src, bool convert) {
    const object patterns = as_sequence(src, convert);
    if (!patterns) {
        return false;
    }
    // The tuple keeps every pattern object alive, whatever the caller's
    // container does, until the library has copied the patterns it keeps.
    value.owner = reinterpret_steal<tuple>(PySequence_Tuple(patterns.ptr()));
    if (!value.owner) {
        throw error_already_set();
    }
    value.refs.clear();
    value.refs.reserve(value.owner.size());
    for (handle item : value.owner) {
        const pulsework::SampledPattern* core = nullptr;
        switch (pulsework::bindings::core_object(item.ptr(), core)) {
            case pulsework::bindings::Instance::ready:
                value.refs.emplace_back(*core);
                break;
            case pulsework::bindings::Instance::unconstructed:
                pulsework::bindings::set_unconstructed_error<pulsework::SampledPattern>();
                throw error_already_set();
            case pulsework::bindings::Instance::absent:
                return false;
        }
    }
    return true;
}

}  // namespace pybind11::detail
