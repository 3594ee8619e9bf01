#include "render/engine.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "render/rows.h"

namespace vantrel {

// One image's rows: claimed in order from the row the driver asked for first.
struct RowEngine::Job {
    Job(const Frame& f, int first)
        : frame(f),
          // Not cleared: a row is read only once it is computed.
          pixels(std::make_unique_for_overwrite<Rgb[]>(static_cast<std::size_t>(f.xres) * f.yres)),
          state(static_cast<std::size_t>(f.yres)),
          steps(static_cast<std::size_t>(f.yres)),
          next(first) {}

    enum : unsigned char { todo, busy, done };

    const Frame frame;
    std::unique_ptr<Rgb[]> pixels;
    std::vector<std::atomic<unsigned char>> state;
    std::vector<long long> steps;  // the iterations of each row, written before it is done
    std::atomic<int> next;         // the next row a worker claims
    std::atomic<int> wanted{-1};   // the row the driver waits for: only its end wakes it
    std::atomic<bool> cancelled{false};

    Rgb* row(int r) { return pixels.get() + static_cast<std::size_t>(r) * frame.xres; }
    bool claim(int r) {
        unsigned char expected = todo;
        return state[r].compare_exchange_strong(expected, busy);
    }
};

int RowEngine::defaultthreads(bool callerworks) {
    if (const char* v = std::getenv("VANTREL_THREADS")) {
        char* end = nullptr;
        const long n = std::strtol(v, &end, 10);
        if (end != v && *end == 0 && n >= 0 && n <= 256) return static_cast<int>(n);
    }
    const int cores = static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
    return callerworks ? cores - 1 : cores;
}

RowEngine::RowEngine(int threads) {
    for (int t = 0; t < threads; ++t)
        workers_.emplace_back([this](std::stop_token stop) { work(stop); });
}

RowEngine::~RowEngine() {
    cancel();
    for (auto& w : workers_) w.request_stop();
    wake_.notify_all();
    workers_.clear();  // joins
}

void RowEngine::compute(Job& job, int row) {
    job.steps[row] = renderrow(job.frame, row, job.row(row));
    // Sequentially consistent, with the driver's look at `wanted` and at the state
    // of its row: one of the two always sees the other.
    job.state[row].store(Job::done);
}

void RowEngine::work(std::stop_token stop) {
    for (;;) {
        std::shared_ptr<Job> job;
        {
            std::unique_lock lock(mutex_);
            wake_.wait(lock, stop, [&] {
                return job_ && !job_->cancelled && job_->next.load() < job_->frame.yres;
            });
            if (stop.stop_requested()) return;
            job = job_;
        }
        for (;;) {
            if (job->cancelled.load(std::memory_order_relaxed) || stop.stop_requested()) break;
            const int r = job->next.fetch_add(1);
            if (r >= job->frame.yres) break;
            if (!job->claim(r)) continue;
            compute(*job, r);
            if (job->wanted.load() == r) {
                std::lock_guard lock(mutex_);
                done_.notify_all();
            }
        }
    }
}

std::shared_ptr<RowEngine::Job> RowEngine::jobfor(const Frame& f, int j) {
    std::lock_guard lock(mutex_);
    if (job_ && !job_->cancelled && job_->frame == f) return job_;
    if (job_) job_->cancelled = true;
    job_ = std::make_shared<Job>(f, j);
    wake_.notify_all();
    return job_;
}

bool RowEngine::take(const Frame& f, int j, Rgb* out, std::chrono::milliseconds budget) {
    const std::shared_ptr<Job> job = jobfor(f, j);
    const auto ready = [&] { return job->state[j].load() == Job::done; };
    if (!ready()) {
        if (job->claim(j)) {
            if (budget.count() > 0 && !workers_.empty()) {
                // Hand the row back to the workers rather than hold up the caller.
                job->state[j].store(Job::todo);
                std::unique_lock lock(mutex_);
                int expected = job->next.load();
                while (expected > j && !job->next.compare_exchange_weak(expected, j)) {
                }
                wake_.notify_all();
            } else {
                compute(*job, j);
            }
        }
        if (budget.count() == 0) {
            // A caller that may wait works on the rows ahead until its own is done.
            for (int r; !ready() && (r = job->next.fetch_add(1)) < f.yres;)
                if (job->claim(r)) compute(*job, r);
        }
        if (!ready()) {
            job->wanted.store(j);
            std::unique_lock lock(mutex_);
            if (budget.count() == 0)
                done_.wait(lock, ready);
            else if (!done_.wait_for(lock, budget, ready))
                return false;
        }
    }
    std::memcpy(out, job->row(j), sizeof(Rgb) * static_cast<std::size_t>(f.xres));
    iterations_ += job->steps[j];
    if (j == f.yres - 1) cancel();  // the image is complete: let its buffer go
    return true;
}

void RowEngine::cancel() {
    std::lock_guard lock(mutex_);
    if (job_) job_->cancelled = true;
    job_.reset();
}

}  // namespace vantrel
