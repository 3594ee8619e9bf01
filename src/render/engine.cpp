#include "render/engine.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <mutex>

#include "render/rows.h"

namespace vantrel {

namespace {

// The rows held ahead by default: eight per worker, so that a few slow rows (those
// through the set) do not leave the others idle, within 32 MiB for wide images,
// yet never fewer than two per worker.
int defaultring(int threads, int xres) {
    const std::size_t rowbytes = sizeof(Rgb) * static_cast<std::size_t>(xres);
    const int affordable = static_cast<int>((std::size_t{32} << 20) / rowbytes);
    return std::min(std::max(64, 8 * threads), std::max(2 * threads + 2, affordable));
}

}  // namespace

// One image's rows. Row r lives in place r % size of the ring while it is there;
// the ring covers rows base .. base + size. Everything but the pixels of a row
// being computed is guarded by the engine's mutex.
struct RowEngine::Job {
    Job(const Frame& f, int first, int rows)
        : frame(f),
          band(std::min(bandrows(f), std::max(1, rows / 4))),
          places(static_cast<std::size_t>(rows)),
          // Not cleared: a row is read only once it is computed.
          pixels(std::make_unique_for_overwrite<Rgb[]>(static_cast<std::size_t>(f.xres) * rows)),
          base(first),
          next(first) {}

    enum class Held : unsigned char { nothing, busy, done };
    struct Place {
        int row = -1;
        Held held = Held::nothing;
        long long steps = 0;  // the iterations of the row, once done
    };

    const Frame frame;
    const int band;  // rows computed at once
    std::vector<Place> places;
    std::unique_ptr<Rgb[]> pixels;
    // The ring's first row: the one the driver takes next.
    int base;
    // Every row from base to next is done or being computed; next is the one to claim.
    int next;

    int size() const { return static_cast<int>(places.size()); }
    int end() const { return std::min(frame.yres, base + size()); }
    bool inring(int r) const { return r >= base && r < end(); }
    Place& place(int r) { return places[static_cast<std::size_t>(r % size())]; }
    Rgb* row(int r) { return pixels.get() + static_cast<std::size_t>(r % size()) * frame.xres; }
    bool ready(int r) {
        const Place& p = place(r);
        return p.row == r && p.held == Held::done;
    }

    // The next rows of the ring to compute, `band` at most in a row, now marked busy:
    // the first and how many; -1 when there is none yet (the ring is full, or its
    // place is still busy with a row left behind).
    int claim(int& rows) {
        rows = 0;
        // A row done before the ring last moved back is still this frame's row.
        const auto held = [&](int r) {
            return place(r).row == r && place(r).held != Held::nothing;
        };
        while (next < end() && held(next)) ++next;
        const int first = next;
        for (; rows < band && next < end() && !held(next); ++next, ++rows) {
            Place& p = place(next);
            if (p.held == Held::busy) break;
            p = {next, Held::busy, 0};
        }
        return rows > 0 ? first : -1;
    }

    // The driver is at row j: the ring starts there.
    void moveto(int j) {
        // Behind the old ring no row is held: claim again from j.
        if (j < base) next = j;
        base = j;
        next = std::max(next, j);
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

RowEngine::RowEngine(int threads, int ring) : ring_(ring) {
    for (int t = 0; t < threads; ++t)
        workers_.emplace_back([this](std::stop_token stop) { work(stop); });
}

RowEngine::~RowEngine() {
    cancel();
    for (auto& w : workers_) w.request_stop();
    workers_.clear();  // joins; a stop request wakes a waiting worker
}

// Under the mutex, let go while they are computed: rows first .. first + rows of the
// job, claimed, computed and marked done.
void RowEngine::compute(Job& job, int first, int rows, std::unique_lock<AdaptiveMutex>& lock) {
    lock.unlock();
    Rgb* out[maxband];
    long long steps[maxband];
    for (int k = 0; k < rows; ++k) out[k] = job.row(first + k);
    renderrows(job.frame, first, rows, out, steps);
    lock.lock();
    bool behind = false;
    for (int k = 0; k < rows; ++k) {
        Job::Place& p = job.place(first + k);
        p.steps = steps[k];
        p.held = Job::Held::done;
        behind = behind || !job.inring(first + k);
    }
    // A row the ring has left behind frees a place that another row may be waiting for.
    if (behind) wake_.notify_all();
    done_.notify_all();
}

void RowEngine::work(std::stop_token stop) {
    std::unique_lock lock(mutex_);
    while (!stop.stop_requested()) {
        int r = -1, rows = 0;
        if (!wake_.wait(lock, stop, [&] { return job_ && (r = job_->claim(rows)) >= 0; })) return;
        const std::shared_ptr<Job> job = job_;
        compute(*job, r, rows, lock);
    }
}

// Under the mutex: the job of frame f, a new one starting at row j if need be.
std::shared_ptr<RowEngine::Job> RowEngine::jobfor(const Frame& f, int j) {
    if (job_ && job_->frame == f) return job_;
    const int ring = ring_ > 0 ? ring_ : defaultring(threads(), f.xres);
    job_ = std::make_shared<Job>(f, j, std::min(ring, f.yres));
    return job_;
}

bool RowEngine::take(const Frame& f, int j, Rgb* out, std::chrono::milliseconds budget) {
    const auto deadline = std::chrono::steady_clock::now() + budget;
    std::unique_lock lock(mutex_);
    const std::shared_ptr<Job> job = jobfor(f, j);
    job->moveto(j);
    wake_.notify_all();
    // A caller that may wait works on the ring itself, its own row first, until
    // its row is done; one that may not leaves the rows to the workers.
    const bool works = budget.count() == 0 || workers_.empty();
    while (!job->ready(j)) {
        if (works) {
            int rows = 0;
            if (const int r = job->claim(rows); r >= 0) {
                compute(*job, r, rows, lock);
                continue;
            }
            done_.wait(lock);
        } else if (done_.wait_until(lock, deadline) == std::cv_status::timeout && !job->ready(j)) {
            return false;
        }
    }
    std::memcpy(out, job->row(j), sizeof(Rgb) * static_cast<std::size_t>(f.xres));
    iterations_ += job->place(j).steps;
    if (j == f.yres - 1) {
        job_.reset();  // the image is complete: let its rows go
    } else {
        job->moveto(j + 1);
        wake_.notify_all();
    }
    return true;
}

void RowEngine::cancel() {
    std::lock_guard lock(mutex_);
    // Rows still being computed finish into the job they began in.
    job_.reset();
}

}  // namespace vantrel
