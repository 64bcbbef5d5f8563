#pragma once
// The core object inside a Python SampledPattern or PatternLibrary, and a
// check that it was ever constructed. T.__new__(T) makes an instance whose
// __init__ never ran; pybind11 would hand out uninitialised storage for it,
// so every method, and the conversion of a pattern list, asks here first and
// refuses such an instance with TypeError.
//
// This reads pybind11's instance bookkeeping through its own accessors
// (get_value_and_holder, holder_constructed), which are internal to pybind11:
// the version check below, and the tests of unconstructed instances and of
// subclasses, are there to catch a release that changes them.

#include <pybind11/pybind11.h>


static_assert(PYBIND11_VERSION_MAJOR == 3 && PYBIND11_VERSION_MINOR <= 1,
              "instance access checked against pybind11 3.0 and 3.1 only: re-check instances.hpp");

namespace pulsework::bindings {

// The pybind11 record of the bound class T, remembered once it is registered
// (before any call can come here).
template <typename T>
inline const pybind11::detail::type_info* registered_type = nullptr;

template <typename T>
void remember_registration(pybind11::handle cls) {
    registered_type<T> = pybind11::detail::get_type_info(reinterpret_cast<PyTypeObject*>(cls.ptr()));
}

enum class Instance { absent, unconstructed, ready };

// What `object` holds of T: absent when it is not an instance of T (or of a
// subclass), unconstructed when its __init__ never ran, else ready, with the
// core object in `core`.
template <typename T>
[[gnu::always_inline]] inline Instance core_object(PyObject* object, const T*& core) {
    namespace detail = pybind11::detail;
    const detail::type_info* info = registered_type<T>;
    auto* instance = reinterpret_cast<detail::instance*>(object);
    detail::value_and_holder slot;
    if (Py_TYPE(object) == info->type) {
        // What get_value_and_holder does for an instance of the class itself.
        slot = detail::value_and_holder(instance, info, 0, 0);
    } else if (PyType_IsSubtype(Py_TYPE(object), info->type)) {
        slot = instance->get_value_and_holder(info, false);
        if (slot.inst == nullptr) {
            return Instance::absent;
        }
    } else {
        return Instance::absent;
    }
    if (!slot.holder_constructed()) {
        return Instance::unconstructed;
    }
    core = static_cast<const T*>(slot.value_ptr());
    return Instance::ready;
}

// Sets the TypeError for an instance of T whose __init__ never ran.
template <typename T>
void set_unconstructed_error() {
    PyErr_Format(PyExc_TypeError, "%s object is not initialized: its __init__() was not called",
                 registered_type<T>->type->tp_name);
}

// `self` of a bound method: a constructed instance of T.
template <typename T>
struct Self {
    const T* core = nullptr;
    const T* operator->() const noexcept { return core; }
    const T& operator*() const noexcept { return *core; }
};

}  // namespace pulsework::bindings

namespace pybind11::detail {

template <typename T>
struct type_caster<pulsework::bindings::Self<T>> {
    PYBIND11_TYPE_CASTER(pulsework::bindings::Self<T>, make_caster<T>::name);
    bool load(handle source, bool) {
        switch (pulsework::bindings::core_object<T>(source.ptr(), value.core)) {
            case pulsework::bindings::Instance::ready:
                return true;
            case pulsework::bindings::Instance::unconstructed:
                pulsework::bindings::set_unconstructed_error<T>();
                throw error_already_set();
            case pulsework::bindings::Instance::absent:
                break;
        }
        return false;
    }
};

}  // namespace pybind11::detail
