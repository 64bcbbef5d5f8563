#include "bindings.hpp"

#include <structmember.h>

#include <cstddef>

namespace pulsework::bindings {

PyTypeObject* offset3_type = nullptr;

namespace {

// Positions only come from the sampling functions: the type has no
// constructor, so no instance can exist without its three values.
PyObject* refuse_construction(PyTypeObject*, PyObject*, PyObject*) {
    PyErr_SetString(PyExc_TypeError, "pulsework.Offset3: No constructor defined!");
    return nullptr;
}

void deallocate(PyObject* self) {
    PyTypeObject* type = Py_TYPE(self);
    if (reinterpret_cast<Offset3Object*>(self)->weak_references != nullptr) {
        PyObject_ClearWeakRefs(self);
    }
    type->tp_free(self);
    Py_DECREF(type);
}

PyObject* as_tuple(PyObject* self, PyObject*) {
    const Offset3& o = reinterpret_cast<Offset3Object*>(self)->value;
    PyObject* x = PyFloat_FromDouble(o.x);
    PyObject* y = x == nullptr ? nullptr : PyFloat_FromDouble(o.y);
    PyObject* z = y == nullptr ? nullptr : PyFloat_FromDouble(o.z);
    PyObject* tuple = z == nullptr ? nullptr : PyTuple_New(3);
    if (tuple == nullptr) {
        Py_XDECREF(x);
        Py_XDECREF(y);
        Py_XDECREF(z);
        return nullptr;
    }
    PyTuple_SET_ITEM(tuple, 0, x);
    PyTuple_SET_ITEM(tuple, 1, y);
    PyTuple_SET_ITEM(tuple, 2, z);
    return tuple;
}

constexpr Py_ssize_t value_at = offsetof(Offset3Object, value);

PyMemberDef members[] = {
    {"x", T_DOUBLE, value_at + offsetof(Offset3, x), READONLY, nullptr},
    {"y", T_DOUBLE, value_at + offsetof(Offset3, y), READONLY, nullptr},
    {"z", T_DOUBLE, value_at + offsetof(Offset3, z), READONLY, nullptr},
    {"__weaklistoffset__", T_PYSSIZET, offsetof(Offset3Object, weak_references), READONLY, nullptr},
    {nullptr, 0, 0, 0, nullptr},
};

PyMethodDef methods[] = {
    {"as_tuple", as_tuple, METH_NOARGS, "as_tuple(self: pulsework.Offset3) -> tuple[float, float, float]\n"},
    {nullptr, nullptr, 0, nullptr},
};

PyType_Slot slots[] = {
    {Py_tp_new, reinterpret_cast<void*>(refuse_construction)},
    {Py_tp_dealloc, reinterpret_cast<void*>(deallocate)},
    {Py_tp_members, members},
    {Py_tp_methods, methods},
    {0, nullptr},
};

PyType_Spec offset3_type_description = {"pulsework.Offset3", sizeof(Offset3Object), 0, Py_TPFLAGS_DEFAULT | Py_TPFLAGS_BASETYPE, slots};

}  // namespace

void register_offset3(py::module_& m) {
    offset3_type = reinterpret_cast<PyTypeObject*>(PyType_FromSpec(&offset3_type_description));
    if (offset3_type == nullptr) {
        throw py::error_already_set();
    }
    m.add_object("Offset3", py::handle(reinterpret_cast<PyObject*>(offset3_type)));
}

}  // namespace pulsework::bindings
