#include "fast_calls.hpp"

#include <algorithm>
#include <cstring>
#include <memory>
#include <string>

namespace py = pybind11;

namespace pulsework::bindings {
namespace {

// Made with the first fast function, so that raising the error never has to.
PyObject* unknown_prefix() {
    static PyObject* const prefix = PyUnicode_InternFromString("Unknown pulsework: ");
    return prefix;
}

void make_shared_text() {
    if (unknown_prefix() == nullptr) {
        throw py::error_already_set();
    }
}

PyObject* set_value_error(PyObject* message) {
    if (message != nullptr) {
        PyErr_SetObject(PyExc_ValueError, message);
        Py_DECREF(message);
    }
    return nullptr;
}

// The fallback's docstring, kept for the fast function: the definition
// points at it for as long as the process runs.
const char* lasting_doc(py::handle function) {
    const std::string doc = py::str(function.attr("__doc__"));
    char* copy = new char[doc.size() + 1];
    std::memcpy(copy, doc.c_str(), doc.size() + 1);
    return copy;
}

}  // namespace

PyObject* call_method_fallback(Fallback fallback, PyObject* self, PyObject* const* args, Py_ssize_t nargs,
                               PyObject* kwnames) {
    const Py_ssize_t count = nargs + (kwnames != nullptr ? PyTuple_GET_SIZE(kwnames) : 0);
    PyObject* small[8];
    std::unique_ptr<PyObject*[]> large;
    PyObject** stack = small;
    if (count + 1 > static_cast<Py_ssize_t>(std::size(small))) {
        large.reset(new (std::nothrow) PyObject*[static_cast<std::size_t>(count) + 1]);
        if (!large) {
            return PyErr_NoMemory();
        }
        stack = large.get();
    }
    stack[0] = self;
    std::copy(args, args + count, stack + 1);
    return PyObject_Vectorcall(fallback, stack, static_cast<std::size_t>(nargs) + 1, kwnames);
}

PyObject* set_unknown_name(std::string_view name) {
    PyObject* text = PyUnicode_DecodeUTF8(name.data(), static_cast<Py_ssize_t>(name.size()), "backslashreplace");
    if (text == nullptr) {
        return nullptr;
    }
    PyObject* message = PyUnicode_Concat(unknown_prefix(), text);
    Py_DECREF(text);
    return set_value_error(message);
}

PyObject* set_unknown_name(PyObject* name) { return set_value_error(PyUnicode_Concat(unknown_prefix(), name)); }

void put_in_front(py::module_& m, PyMethodDef& definition, Fallback& fallback) {
    make_shared_text();
    py::object original = m.attr(definition.ml_name);
    definition.ml_doc = lasting_doc(original);
    PyObject* fast = PyCFunction_NewEx(&definition, m.ptr(), m.attr("__name__").ptr());
    if (fast == nullptr) {
        throw py::error_already_set();
    }
    // Held for the life of the process, as the module holds its functions.
    fallback = original.release().ptr();
    m.attr(definition.ml_name) = py::reinterpret_steal<py::object>(fast);
}

void put_in_front(py::handle cls, PyMethodDef& definition, Fallback& fallback) {
    make_shared_text();
    // Read from the class, pybind11's method is the plain function.
    py::object original = cls.attr(definition.ml_name);
    definition.ml_doc = lasting_doc(original);
    PyObject* fast = PyDescr_NewMethod(reinterpret_cast<PyTypeObject*>(cls.ptr()), &definition);
    if (fast == nullptr) {
        throw py::error_already_set();
    }
    fallback = original.release().ptr();
    cls.attr(definition.ml_name) = py::reinterpret_steal<py::object>(fast);
}

}  // namespace pulsework::bindings
