// The C-API floor: pulsework's call shapes written directly against the
// CPython API with nothing in between, doing no work beyond reading the
// arguments and building the result.
#define PY_SSIZE_T_CLEAN
#include <Python.h>
#include <structmember.h>

#include <climits>
#include <string>
#include <vector>

namespace {

struct Triple {
    PyObject_HEAD
    double x;
    double y;
    double z;
};

PyObject* triple_as_tuple(PyObject* self, PyObject*) {
    const Triple* t = reinterpret_cast<const Triple*>(self);
    PyObject* tuple = PyTuple_New(3);
    if (tuple == nullptr) return nullptr;
    const double values[3] = {t->x, t->y, t->z};
    for (Py_ssize_t i = 0; i < 3; ++i) {
        PyObject* v = PyFloat_FromDouble(values[i]);
        if (v == nullptr) {
            Py_DECREF(tuple);
            return nullptr;
        }
        PyTuple_SET_ITEM(tuple, i, v);
    }
    return tuple;
}

PyMemberDef triple_members[] = {
    {"x", T_DOUBLE, offsetof(Triple, x), READONLY, nullptr},
    {"y", T_DOUBLE, offsetof(Triple, y), READONLY, nullptr},
    {"z", T_DOUBLE, offsetof(Triple, z), READONLY, nullptr},
    {nullptr, 0, 0, 0, nullptr},
};

PyMethodDef triple_methods[] = {
    {"as_tuple", triple_as_tuple, METH_NOARGS, nullptr},
    {nullptr, nullptr, 0, nullptr},
};

PyTypeObject triple_type = {PyVarObject_HEAD_INIT(nullptr, 0) "pulsework_floor_capi.Triple"};

PyObject* new_triple(double x, double y, double z) {
    Triple* t = PyObject_New(Triple, &triple_type);
    if (t == nullptr) return nullptr;
    t->x = x;
    t->y = y;
    t->z = z;
    return reinterpret_cast<PyObject*>(t);
}

bool pip_of(PyObject* o, int* pip) {
    const long v = PyLong_AsLong(o);
    if (v == -1 && PyErr_Occurred()) return false;
    if (v < INT_MIN || v > INT_MAX) {
        PyErr_SetString(PyExc_TypeError, "pip out of range");
        return false;
    }
    *pip = static_cast<int>(v);
    return true;
}

PyObject* f(PyObject*, PyObject* arg) {
    int pip;
    if (!pip_of(arg, &pip)) return nullptr;
    return new_triple(pip, 0.0, 0.0);
}

PyObject* g(PyObject*, PyObject* const* args, Py_ssize_t nargs) {
    if (nargs != 2) {
        PyErr_SetString(PyExc_TypeError, "g(name, pip_count)");
        return nullptr;
    }
    Py_ssize_t size;
    if (PyUnicode_AsUTF8AndSize(args[0], &size) == nullptr) return nullptr;
    int pip;
    if (!pip_of(args[1], &pip)) return nullptr;
    return new_triple(static_cast<double>(size), pip, 0.0);
}

PyObject* h(PyObject*, PyObject* arg) {
    int pip;
    if (!pip_of(arg, &pip)) return nullptr;
    return PyFloat_FromDouble(pip);
}

// An object whose methods have the shapes of f and g.
PyObject* holder_f(PyObject* self, PyObject* arg) { return f(self, arg); }
PyObject* holder_g(PyObject* self, PyObject* const* args, Py_ssize_t nargs) { return g(self, args, nargs); }

PyMethodDef holder_methods[] = {
    {"f", holder_f, METH_O, nullptr},
    {"g", reinterpret_cast<PyCFunction>(reinterpret_cast<void (*)()>(holder_g)), METH_FASTCALL, nullptr},
    {nullptr, nullptr, 0, nullptr},
};

PyTypeObject holder_type = {PyVarObject_HEAD_INIT(nullptr, 0) "pulsework_floor_capi.Holder"};

// The catalogue floor: dicts of four values under cached key strings, from
// records held in C++ (the set is handed over once, outside the timing).
struct Record {
    std::string name;
    std::string description;
    long period;
    long dimensions;
};
std::vector<Record> records;
PyObject* keys[4];

PyObject* set_records(PyObject*, PyObject* list) {
    records.clear();
    PyObject* iterator = PyObject_GetIter(list);
    if (iterator == nullptr) return nullptr;
    while (PyObject* item = PyIter_Next(iterator)) {
        const char *name, *description;
        Py_ssize_t name_size, description_size;
        long period, dimensions;
        const bool ok = PyArg_ParseTuple(item, "s#s#ll", &name, &name_size, &description,
                                         &description_size, &period, &dimensions);
        Py_DECREF(item);
        if (!ok) {
            Py_DECREF(iterator);
            return nullptr;
        }
        records.push_back({std::string(name, name_size), std::string(description, description_size),
                           period, dimensions});
    }
    Py_DECREF(iterator);
    if (PyErr_Occurred()) return nullptr;
    Py_RETURN_NONE;
}

bool set_value(PyObject* dict, PyObject* key, PyObject* value) {
    if (value == nullptr) return false;
    const int failed = PyDict_SetItem(dict, key, value);
    Py_DECREF(value);
    return failed == 0;
}

PyObject* catalogue(PyObject*, PyObject*) {
    PyObject* list = PyList_New(0);
    if (list == nullptr) return nullptr;
    for (const Record& r : records) {
        PyObject* dict = PyDict_New();
        if (dict == nullptr ||
            !set_value(dict, keys[0], PyUnicode_DecodeUTF8(r.name.data(), r.name.size(), nullptr)) ||
            !set_value(dict, keys[1], PyUnicode_DecodeUTF8(r.description.data(), r.description.size(), nullptr)) ||
            !set_value(dict, keys[2], PyLong_FromLong(r.period)) ||
            !set_value(dict, keys[3], PyLong_FromLong(r.dimensions)) || PyList_Append(list, dict) != 0) {
            Py_XDECREF(dict);
            Py_DECREF(list);
            return nullptr;
        }
        Py_DECREF(dict);
    }
    return list;
}

PyMethodDef module_methods[] = {
    {"f", f, METH_O, nullptr},
    {"g", reinterpret_cast<PyCFunction>(reinterpret_cast<void (*)()>(g)), METH_FASTCALL, nullptr},
    {"h", h, METH_O, nullptr},
    {"set_records", set_records, METH_O, nullptr},
    {"catalogue", catalogue, METH_NOARGS, nullptr},
    {nullptr, nullptr, 0, nullptr},
};

PyModuleDef module_def = {PyModuleDef_HEAD_INIT, "pulsework_floor_capi", nullptr, -1, module_methods};

}  // namespace

PyMODINIT_FUNC PyInit_pulsework_floor_capi() {
    triple_type.tp_basicsize = sizeof(Triple);
    triple_type.tp_flags = Py_TPFLAGS_DEFAULT;
    triple_type.tp_members = triple_members;
    triple_type.tp_methods = triple_methods;
    holder_type.tp_basicsize = sizeof(PyObject);
    holder_type.tp_flags = Py_TPFLAGS_DEFAULT;
    holder_type.tp_methods = holder_methods;
    holder_type.tp_new = PyType_GenericNew;
    if (PyType_Ready(&triple_type) < 0 || PyType_Ready(&holder_type) < 0) return nullptr;
    const char* names[4] = {"name", "description", "period_pips", "dimensions"};
    for (int i = 0; i < 4; ++i) {
        keys[i] = PyUnicode_InternFromString(names[i]);
        if (keys[i] == nullptr) return nullptr;
    }
    PyObject* m = PyModule_Create(&module_def);
    if (m == nullptr) return nullptr;
    Py_INCREF(&triple_type);
    Py_INCREF(&holder_type);
    if (PyModule_AddObject(m, "Triple", reinterpret_cast<PyObject*>(&triple_type)) < 0 ||
        PyModule_AddObject(m, "Holder", reinterpret_cast<PyObject*>(&holder_type)) < 0) {
        Py_DECREF(m);
        return nullptr;
    }
    return m;
}
