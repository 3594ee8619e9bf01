#pragma once

#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/surface.h"
#include "render/adaptivemutex.h"
#include "render/frame.h"

namespace vantrel {

// Computes the rows of the current image ahead of the driver on a pool of worker
// threads. The driver still asks for one row at a time; a row computed for another
// frame (a new view, a changed parameter, a restart) is never handed out. Workers
// read only their own copy of the frame and write only the engine's rows. A worker
// takes a band of consecutive rows at once where the frame's rows are faster so
// (bandrows), else one row.
//
// The rows ahead live in a ring of a few rows per worker from the row the driver
// asks for on, so that the memory an image takes does not grow with its height:
// workers wait while the ring is full, and each row taken frees its place.
class RowEngine {
  public:
    // `threads` workers; 0 computes every row on the caller's thread. `ring` rows
    // at most are held ahead of the driver; 0 chooses as many as keep the workers
    // busy within a fixed amount of memory.
    explicit RowEngine(int threads, int ring = 0);
    ~RowEngine();
    RowEngine(const RowEngine&) = delete;
    RowEngine& operator=(const RowEngine&) = delete;

    // Puts row j of the image of `f` into out[0 .. xres). With a zero budget it
    // always succeeds (computing the row itself if need be); otherwise it gives up
    // after `budget` and returns false, the row still being computed. Rows are
    // usually asked for in order; any other row (a restart, a jump) moves the ring
    // there.
    bool take(const Frame& f, int j, Rgb* out, std::chrono::milliseconds budget);
    // Stops the work ahead (the image was paused or abandoned).
    void cancel();

    int threads() const { return static_cast<int>(workers_.size()); }
    // The iterations of every row handed out so far.
    long long iterations() const { return iterations_; }

    // The number of workers from VANTREL_THREADS, else one per core; a caller that
    // computes rows itself while it waits (a zero budget) takes one core of its own.
    static int defaultthreads(bool callerworks);
    // The number chosen (0 or more), else the default.
    static int threadsfor(int chosen, bool callerworks) {
        return chosen >= 0 ? chosen : defaultthreads(callerworks);
    }

  private:
    struct Job;
    void work(std::stop_token stop);
    std::shared_ptr<Job> jobfor(const Frame& f, int j);
    void compute(Job& job, int first, int rows, std::unique_lock<AdaptiveMutex>& lock);

    const int ring_;
    AdaptiveMutex mutex_;               // guards the job and the state of its rows
    std::condition_variable_any wake_;  // workers wait for a row they may compute
    std::condition_variable_any done_;  // the driver waits for a row to be finished
    std::shared_ptr<Job> job_;
    std::vector<std::jthread> workers_;
    long long iterations_ = 0;  // only the driver's thread takes rows
};

}  // namespace vantrel
