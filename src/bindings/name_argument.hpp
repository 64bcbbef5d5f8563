#pragma once
// A pattern name argument: a str as its UTF-8 bytes, or bytes or a bytearray
// as their raw bytes, as pybind11's string conversion takes them. A str or
// bytes is read in place: both are immutable and the call holds a reference
// to them. A bytearray is copied, because Python code that runs later in the
// same call (the pip's __index__) can resize it and free the bytes a view
// would point at. Reading the UTF-8 of a str costs no copy either: CPython
// keeps it with the string.

#include <pybind11/pybind11.h>

#include <string>
#include <string_view>

namespace pulsework::bindings {

// The UTF-8 that CPython keeps with a str (valid while the string lives).
// Runs no Python code; false, with no error set, for a string that UTF-8
// cannot encode (a lone surrogate).
[[gnu::always_inline]] inline bool utf8_of(PyObject* str, std::string_view& out) noexcept {
    if (PyUnicode_IS_COMPACT_ASCII(str)) {
        // ASCII is its own UTF-8: the characters are the bytes.
        out = {static_cast<const char*>(PyUnicode_DATA(str)), static_cast<std::size_t>(PyUnicode_GET_LENGTH(str))};
        return true;
    }
    Py_ssize_t size;
    const char* bytes = PyUnicode_AsUTF8AndSize(str, &size);
    if (bytes == nullptr) {
        PyErr_Clear();
        return false;
    }
    out = {bytes, static_cast<std::size_t>(size)};
    return true;
}

class NameArgument {
public:
    std::string_view view() const noexcept { return copied_ ? std::string_view(copy_) : borrowed_; }

    // False when `source` is not a name (nor a str that UTF-8 can encode).
    bool load(PyObject* source) {
        copied_ = false;
        if (PyUnicode_Check(source)) {
            return utf8_of(source, borrowed_);
        }
        if (PyBytes_Check(source)) {
            borrowed_ = {PyBytes_AS_STRING(source), static_cast<std::size_t>(PyBytes_GET_SIZE(source))};
            return true;
        }
        if (PyByteArray_Check(source)) {
            copy_.assign(PyByteArray_AS_STRING(source), static_cast<std::size_t>(PyByteArray_GET_SIZE(source)));
            copied_ = true;
            return true;
        }
        return false;
    }

private:
    std::string_view borrowed_;
    std::string copy_;
    bool copied_ = false;
};

}  // namespace pulsework::bindings

namespace pybind11::detail {

template <>
struct type_caster<pulsework::bindings::NameArgument> {
    PYBIND11_TYPE_CASTER(pulsework::bindings::NameArgument, const_name("str"));
    bool load(handle source, bool) { return value.load(source.ptr()); }
};

}  // namespace pybind11::detail
