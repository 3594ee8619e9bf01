#include "xaos.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace vantrel::bench {

namespace {

namespace fs = std::filesystem;

struct BatchScene {
    const char* name;
    int size;
    double re, im, width;
    int maxiter;
    double target;  // how many times faster than XaoS the whole process must be
};

// Our default view (x -2.25 .. 0.75, y -1.5 .. 1.5, 256 iterations) and a view
// along the seahorse valley where the iterations dominate.
const BatchScene batchscenes[] = {
    {"default 600 x 600", 600, -0.75, 0.0, 3.0, 256, 2},
    {"default 2400 x 2400", 2400, -0.75, 0.0, 3.0, 256, 3},
    {"heavy 600 x 600", 600, -0.75, 0.11, 0.02, 16384, 8},
};

// Runs a program to its end with its output discarded; its wall time in seconds,
// or a negative time when it failed. Spawned, not forked: a fork would first copy
// the page tables of this process, grown large by the scenes before, and add that
// to the time of whatever runs.
double timed(const std::vector<std::string>& args) {
    std::vector<char*> argv;
    for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    posix_spawn_file_actions_t quiet;
    posix_spawn_file_actions_init(&quiet);
    posix_spawn_file_actions_addopen(&quiet, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_adddup2(&quiet, STDOUT_FILENO, STDERR_FILENO);
    // What is buffered is printed once, not again by the child.
    std::fflush(stdout);
    const auto start = std::chrono::steady_clock::now();
    pid_t pid = -1;
    const int failed = posix_spawnp(&pid, argv[0], &quiet, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&quiet);
    int status = 0;
    if (failed != 0 || waitpid(pid, &status, 0) != pid) return -1;
    const std::chrono::duration<double> t = std::chrono::steady_clock::now() - start;
    return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? t.count() : -1;
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.size() % 2 ? v[v.size() / 2] : (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2;
}

bool installed(const char* program) {
    return timed({"sh", "-c", std::string("command -v ") + program}) >= 0;
}

std::string number(double v) {
    char text[64];
    std::snprintf(text, sizeof text, "%.17g", v);
    return text;
}

}  // namespace

void xaosbench(const char* only) {
    std::printf("Batch renders, whole process, against xaos -render (median of 5 runs each):\n");
    if (!installed("xaos")) {
        std::printf("  skipped: xaos is not installed (Debian package xaos)\n\n");
        return;
    }
    // XaoS is a Qt program even when it only renders.
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    const fs::path dir = fs::temp_directory_path() / ("vantrel-bench-" + std::to_string(getpid()));
    fs::create_directories(dir);
    for (const BatchScene& b : batchscenes) {
        if (only && std::string(b.name).find(only) == std::string::npos) continue;
        const fs::path xaf = dir / "view.xaf";
        std::ofstream(xaf) << "(initstate)\n(formula 'mandel)\n(maxiter " << b.maxiter
                           << ")\n(view " << number(b.re) << " " << number(b.im) << " "
                           << number(b.width) << " " << number(b.width) << ")\n";
        const std::string size = std::to_string(b.size) + "x" + std::to_string(b.size);
        const std::vector<std::string> ours = {VANTREL_BINARY,
                                               "--render",
                                               "-o",
                                               (dir / "ours.png").string(),
                                               "--size",
                                               size,
                                               "--center",
                                               number(b.re),
                                               number(b.im),
                                               "--width",
                                               number(b.width),
                                               "--maxiter",
                                               std::to_string(b.maxiter)};
        const std::vector<std::string> theirs = {
            "xaos", "-render", xaf.string(), "-size", size, "-basename", (dir / "xaos").string()};
        std::vector<double> tours, ttheirs;
        // Taken in turns, so that the machine's moods fall on both alike.
        for (int run = 0; run < 5; ++run) {
            tours.push_back(timed(ours));
            ttheirs.push_back(timed(theirs));
        }
        if (*std::min_element(tours.begin(), tours.end()) < 0 ||
            *std::min_element(ttheirs.begin(), ttheirs.end()) < 0) {
            std::printf("  %-20s a render failed\n", b.name);
            continue;
        }
        const double us = median(tours), them = median(ttheirs);
        std::printf("  %-20s vantrel %7.3f s, xaos %7.3f s: %5.2fx (target %.0fx: %s)\n", b.name,
                    us, them, them / us, b.target, them / us >= b.target ? "met" : "NOT met");
    }
    fs::remove_all(dir);
    std::printf("\n");
}

}  // namespace vantrel::bench
