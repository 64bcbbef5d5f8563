#pragma once
// The common call served straight from the CPython API. A sampling call is
// usually positional, with an exact str name and an exact int pip in range;
// the functions and methods that Python sees take that call themselves and
// pass every other one (keywords, bool or __index__ pips, bytes names,
// subclasses, wrong types, values out of range) unchanged to the pybind11
// function they stand in front of, so that every conversion rule and every
// error stays pybind11's own. Its signature line is kept as the docstring.

#include <pybind11/pybind11.h>

#if PY_VERSION_HEX < 0x030B0000
#include <longintrepr.h>
#endif

#include <climits>
#include <string_view>

#include "name_argument.hpp"

namespace pulsework::bindings {

// The pybind11 function behind a fast one.
using Fallback = PyObject*;

// An exact int in the signed 32-bit range. Runs no Python code. An int of
// one internal digit (below 2**30 in size) is read directly. Before 3.11 a
// zero may have been allocated without any digit at all, so the digit of a
// zero is never read.
[[gnu::always_inline]] inline bool exact_pip(PyObject* object, int& pip) noexcept {
    if (!PyLong_CheckExact(object)) {
        return false;
    }
    auto* number = reinterpret_cast<PyLongObject*>(object);
#if PY_VERSION_HEX >= 0x030C0000
    if (PyUnstable_Long_IsCompact(number)) {
        pip = static_cast<int>(PyUnstable_Long_CompactValue(number));
        return true;
    }
#else
    const Py_ssize_t digits = Py_SIZE(number);
    if (digits == 0) {
        pip = 0;
        return true;
    }
    if (digits == -1 || digits == 1) {
        pip = static_cast<int>(digits * static_cast<long>(number->ob_digit[0]));
        return true;
    }
#endif
    int overflow;
    const long value = PyLong_AsLongAndOverflow(object, &overflow);
    if (overflow != 0 || value < INT_MIN || value > INT_MAX) {
        return false;
    }
    pip = static_cast<int>(value);
    return true;
}

// An exact str, as its UTF-8. A string that UTF-8 cannot encode is left to
// the fallback, which refuses it.
[[gnu::always_inline]] inline bool exact_name(PyObject* object, std::string_view& name) noexcept {
    return PyUnicode_CheckExact(object) && utf8_of(object, name);
}

// Calls the fallback with the arguments of a fast function.
inline PyObject* call_fallback(Fallback fallback, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
    return PyObject_Vectorcall(fallback, args, static_cast<std::size_t>(nargs), kwnames);
}

// Calls the fallback of a method, `self` first. Kept out of line, so that
// the fast path it leaves stays small.
[[gnu::noinline]] PyObject* call_method_fallback(Fallback fallback, PyObject* self, PyObject* const* args, Py_ssize_t nargs,
                               PyObject* kwnames);

// ValueError "Unknown pulsework: " followed by the whole name, NUL bytes and
// all; bytes that are not UTF-8 are shown as escapes. Returns nullptr.
PyObject* set_unknown_name(std::string_view name);
// The same for a name given as an exact str, without a round trip through
// its bytes.
PyObject* set_unknown_name(PyObject* name);

// Puts the fast function `definition` (METH_FASTCALL | METH_KEYWORDS) in
// place of the module function of the same name, which becomes its fallback.
void put_in_front(pybind11::module_& m, PyMethodDef& definition, Fallback& fallback);

// The same for a method of a bound class: the fast one becomes a method
// descriptor, so that Python checks the type of `self` before it runs.
void put_in_front(pybind11::handle cls, PyMethodDef& definition, Fallback& fallback);

}  // namespace pulsework::bindings
