#pragma once

#include <functional>

namespace vantrel {

// Calls row(r) once for every r in 0 .. rows, on `helpers` extra threads and the
// caller's, and returns when all are done. Rows are handed out in order.
void parallelrows(int rows, int helpers, const std::function<void(int)>& row);

}  // namespace vantrel
