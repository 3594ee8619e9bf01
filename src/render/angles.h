#pragma once

#include "render/escape.h"

namespace vantrel {

// How far an angle from the lanes may lie from externalangle's own, in turns, where
// it is marked as known. Its errors are far below this.
constexpr double angletolerance = 1e-9;

// The external angles of the escaped orbits among `count`, in vector lanes: the
// steps of externalangle with a vector arc tangent. Each escaped orbit gets its
// angle in Orbit::angle with Orbit::laneangle set, unless a decision of the
// algorithm lay too close to call or the angle too close to a whole turn: then
// laneangle is left clear and the exact routine must decide.
void externalangles(const Frame& f, Orbit* orbits, int count);

}  // namespace vantrel
