#pragma once

namespace pulsework {

// A position of a pattern at one pip. Every default pattern keeps each
// component within [-1, 1]; a component a pattern does not move is +0.0.
struct Offset3 {
    double x;
    double y;
    double z;
};

}  // namespace pulsework
