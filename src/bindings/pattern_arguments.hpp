#pragma once
// Conversion of the user-pattern constructor arguments `samples` and
// `patterns`. Both accept any sequence except str and bytes, and generators,
// sets, frozensets, dict views, map and zip objects (turned into a tuple
// first, so a generator is consumed whole). A value that does not convert
// makes pybind11 raise its incompatible-arguments TypeError; an exception
// raised by the caller's container (a failing generator, say) propagates.

#include <pybind11/pybind11.h>

#include <functional>
#include <vector>

#include "pulsework/offset3.hpp"
#include "pulsework/sampled_pattern.hpp"

namespace pulsework::bindings {

// `samples`: one Offset3 per item, each item exactly three numbers (a float,
// an int, or any number float() accepts) held in one of the container kinds.
struct SampleRows {
    std::vector<Offset3> rows;
};

// `patterns`: references to the core patterns of SampledPattern objects. The
// tuple holds those objects, so the references stay valid while it lives.
struct PatternRefs {
    pybind11::tuple owner;
    std::vector<std::reference_wrapper<const SampledPattern>> refs;
};

}  // namespace pulsework::bindings

namespace pybind11::detail {

template <>
struct type_caster<pulsework::bindings::SampleRows> {
    PYBIND11_TYPE_CASTER(pulsework::bindings::SampleRows,
                         const_name("collections.abc.Iterable[collections.abc.Sequence[float]]"));
    bool load(handle src, bool convert);
};

template <>
struct type_caster<pulsework::bindings::PatternRefs> {
    PYBIND11_TYPE_CASTER(pulsework::bindings::PatternRefs,
                         const_name("collections.abc.Iterable[SampledPattern]"));
    bool load(handle src, bool convert);
};

}  // namespace pybind11::detail
