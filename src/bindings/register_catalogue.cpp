#include "bindings.hpp"
#include "pulsework/catalogue.hpp"

namespace pulsework::bindings {

py::list catalogue_dicts(const std::vector<PatternInfo>& records) {
    py::list result;
    const py::str name_key("name");
    const py::str description_key("description");
    const py::str period_key("period_pips");
    const py::str dimensions_key("dimensions");
    for (const PatternInfo& record : records) {
        py::dict entry;
        // Text is decoded with its exact length: the views are unterminated.
        entry[name_key] = py::str(record.name.data(), record.name.size());
        entry[description_key] = py::str(record.description.data(), record.description.size());
        entry[period_key] = py::int_(static_cast<unsigned>(record.period_pips));
        entry[dimensions_key] = py::int_(static_cast<unsigned>(record.dimensions));
        result.append(std::move(entry));
    }
    return result;
}

void register_catalogue(py::module_& m) {
    m.def("sample", &pulsework::sample, py::arg("name"), py::arg("pip_count"));
    m.def("catalogue", [] { return catalogue_dicts(pulsework::catalogue()); });
}

}  // namespace pulsework::bindings
