// The extension module `pulsework`: its docstring, its constant, and its
// classes and functions in registration order.
#include <cstring>
#include <exception>
#include <stdexcept>

#include "bindings.hpp"
#include "pulsework/pip.hpp"

namespace {

// A core message can carry a caller's bytes, which need not be UTF-8.
// Decoded strictly, such a message would turn the ValueError into a
// UnicodeDecodeError; undecodable bytes are shown as escapes instead. Valid
// UTF-8 messages are passed on unchanged. (Unknown names never come this
// way: the bindings raise that error themselves, with the whole name.)
void translate_invalid_argument(std::exception_ptr error) {
    try {
        std::rethrow_exception(error);
    } catch (const std::invalid_argument& e) {
        const char* what = e.what();
        PyObject* message = PyUnicode_DecodeUTF8(what, static_cast<Py_ssize_t>(std::strlen(what)),
                                                 "backslashreplace");
        if (message != nullptr) {
            PyErr_SetObject(PyExc_ValueError, message);
            Py_DECREF(message);
        }
    }
}

}  // namespace

PYBIND11_MODULE(pulsework, m) {
    namespace bindings = pulsework::bindings;
    m.doc() = "Integer-pip rhythmic position functions";
    m.attr("PIPS_PER_BEAT") = pulsework::PIPS_PER_BEAT;
    bindings::register_offset3(m);
    bindings::register_patterns(m);
    bindings::register_catalogue(m);
    bindings::register_rudiments(m);
    pybind11::register_local_exception_translator(translate_invalid_argument);
}
