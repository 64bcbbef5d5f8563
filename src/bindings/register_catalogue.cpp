#include <optional>
#include <string_view>

#include "bindings.hpp"
#include "pulsework/catalogue.hpp"

namespace pulsework::bindings {
namespace {

// The keys of every catalogue dict, made once and interned, so that each
// dict shares them and finds them by identity.
PyObject* record_keys[4];

// Takes the reference to `value`.
bool put(PyObject* dict, PyObject* key, PyObject* value) {
    if (value == nullptr) {
        return false;
    }
    const bool stored = PyDict_SetItem(dict, key, value) == 0;
    Py_DECREF(value);
    return stored;
}

// Text is decoded strictly and with its exact length (the views are not
// terminated): a description stored from bytes that are not UTF-8 raises
// UnicodeDecodeError.
PyObject* record_dict(const PatternInfo& record) {
    PyObject* dict = PyDict_New();
    if (dict == nullptr) {
        return nullptr;
    }
    const auto text = [](std::string_view view) {
        return PyUnicode_DecodeUTF8(view.data(), static_cast<Py_ssize_t>(view.size()), nullptr);
    };
    if (!put(dict, record_keys[0], text(record.name)) || !put(dict, record_keys[1], text(record.description)) ||
        !put(dict, record_keys[2], PyLong_FromUnsignedLong(record.period_pips)) ||
        !put(dict, record_keys[3], PyLong_FromUnsignedLong(record.dimensions))) {
        Py_DECREF(dict);
        return nullptr;
    }
    return dict;
}

Fallback sample_fallback = nullptr;

Offset3 sample_by_name(const NameArgument& name, int pip) {
    const std::string_view bytes = name.view();
    if (const std::optional<Offset3> position = pulsework::try_sample(bytes, pip)) {
        return *position;
    }
    set_unknown_name(bytes);
    throw py::error_already_set();
}

PyObject* fast_sample(PyObject*, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
    std::string_view name;
    int pip;
    if (nargs == 2 && kwnames == nullptr && exact_name(args[0], name) && exact_pip(args[1], pip)) {
        if (const Sampler sampler = pulsework::default_sampler(name)) {
            return new_offset3(sampler(pip));
        }
        return set_unknown_name(args[0]);
    }
    return call_fallback(sample_fallback, args, nargs, kwnames);
}

PyMethodDef fast_sample_definition = {"sample", as_method(fast_sample), METH_FASTCALL | METH_KEYWORDS, nullptr};

}  // namespace

py::list catalogue_dicts(const std::vector<PatternInfo>& records) {
    py::list result(records.size());
    for (std::size_t k = 0; k < records.size(); ++k) {
        PyObject* dict = record_dict(records[k]);
        if (dict == nullptr) {
            throw py::error_already_set();
        }
        PyList_SET_ITEM(result.ptr(), static_cast<Py_ssize_t>(k), dict);
    }
    return result;
}

void register_catalogue(py::module_& m) {
    const char* keys[4] = {"name", "description", "period_pips", "dimensions"};
    for (int k = 0; k < 4; ++k) {
        record_keys[k] = PyUnicode_InternFromString(keys[k]);
        if (record_keys[k] == nullptr) {
            throw py::error_already_set();
        }
    }
    m.def("sample", &sample_by_name, py::arg("name"), py::arg("pip_count"));
    put_in_front(m, fast_sample_definition, sample_fallback);
    m.def("catalogue", [] { return catalogue_dicts(pulsework::catalogue()); });
}

}  // namespace pulsework::bindings
