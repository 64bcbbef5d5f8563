#pragma once
// Offset3 as a small native Python type: three read-only doubles and
// as_tuple(), no constructor, no instance dictionary, compared by identity.
// Every sampling call returns a new one; a pybind11 type caster lets bound
// functions return the core value directly.

#include <pybind11/pybind11.h>

#include "pulsework/offset3.hpp"

namespace pulsework::bindings {

struct Offset3Object {
    PyObject_HEAD
    Offset3 value;
    PyObject* weak_references;
};

// Made by register_offset3 before any function of the module runs, and kept
// for the life of the process.
extern PyTypeObject* offset3_type;

// A new Python Offset3 holding `value`; nullptr with MemoryError set when
// the object cannot be allocated.
[[gnu::always_inline]] inline PyObject* new_offset3(const Offset3& value) noexcept {
    Offset3Object* object = PyObject_New(Offset3Object, offset3_type);
    if (object == nullptr) {
        return nullptr;
    }
    object->value = value;
    object->weak_references = nullptr;
    return reinterpret_cast<PyObject*>(object);
}

}  // namespace pulsework::bindings

namespace pybind11::detail {

// Out only: no bound function takes an Offset3 argument.
template <>
struct type_caster<pulsework::Offset3> {
    static constexpr auto name = const_name("pulsework.Offset3");

    static handle cast(const pulsework::Offset3& value, return_value_policy, handle) {
        PyObject* object = pulsework::bindings::new_offset3(value);
        if (object == nullptr) {
            throw error_already_set();
        }
        return object;
    }
};

}  // namespace pybind11::detail
