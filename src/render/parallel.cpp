#include "render/parallel.h"

#include <atomic>
#include <thread>
#include <vector>

namespace vantrel {

void parallelrows(int rows, int helpers, const std::function<void(int)>& row) {
    std::atomic<int> next{0};
    const auto work = [&] {
        for (int r; (r = next.fetch_add(1, std::memory_order_relaxed)) < rows;) row(r);
    };
    std::vector<std::jthread> threads;
    for (int t = 0; t < helpers && t + 1 < rows; ++t) threads.emplace_back(work);
    work();
}  // the helpers join here

}  // namespace vantrel
