#include "app/encoder.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string_view>
#include <utility>

#include "state/state.h"

extern char** environ;

namespace vantrel {

namespace {

// The ffmpeg program in a folder of PATH, or empty.
std::string findffmpeg() {
    const char* path = std::getenv("PATH");
    if (path == nullptr) return {};
    for (std::string_view rest = path;;) {
        const auto colon = rest.find(':');
        std::string candidate(rest.substr(0, colon));
        // An empty entry is the current folder.
        candidate.append(candidate.empty() ? "./ffmpeg" : "/ffmpeg");
        struct stat st {};
        if (stat(candidate.c_str(), &st) == 0 && S_ISREG(st.st_mode) &&
            access(candidate.c_str(), X_OK) == 0)
            return candidate;
        if (colon == std::string_view::npos) return {};
        rest.remove_prefix(colon + 1);
    }
}

bool endsnocase(const std::string& text, std::string_view tail) {
    if (text.size() < tail.size()) return false;
    for (std::size_t k = 0; k < tail.size(); ++k) {
        const char c = text[text.size() - tail.size() + k];
        if ((c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c) != tail[k]) return false;
    }
    return true;
}

bool writeall(int fd, const unsigned char* data, std::size_t size) {
    while (size > 0) {
        const ssize_t n = write(fd, data, size);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        data += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

// ffmpeg's name for the container of a movie file's name, or null.
const char* containerof(const std::string& path) {
    static constexpr std::pair<std::string_view, const char*> containers[] = {
        {".mp4", "mp4"}, {".mkv", "matroska"}, {".webm", "webm"}, {".mov", "mov"}};
    for (const auto& [extension, container] : containers)
        if (endsnocase(path, extension)) return container;
    return nullptr;
}

}  // namespace

bool moviefilename(const std::string& path) {
    return containerof(path) != nullptr;
}

MovieEncoder::~MovieEncoder() {
    // Abandoned: ffmpeg need not finish a file that is dropped anyway.
    if (child_ > 0) kill(child_, SIGTERM);
    stop();
}

std::string MovieEncoder::open(const std::string& path, int width, int height, int fps) {
    const std::string ffmpeg = findffmpeg();
    if (ffmpeg.empty())
        return "a movie file is made by ffmpeg, which is not installed (Debian: apt-get "
               "install ffmpeg); or write the frames as images with -o DIR/frame-%05d.png";
    // Made now, so that a file that cannot be written is known before the first frame.
    if (file_.open(path) != 0) return saveerror[0];
    if (file_.descriptor() < 0) return "this system cannot hand a file to ffmpeg";
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0) return std::string("cannot start ffmpeg: ") + strerror(errno);
    height_ = height;
    // The usual players want the chroma of pixel pairs (yuv420p): even sizes.
    const int even = width & ~1;
    line_.resize(3 * static_cast<std::size_t>(even));
    const std::string size = std::to_string(even) + "x" + std::to_string(height & ~1);
    std::vector<std::string> args = {"ffmpeg", "-y", "-loglevel", "error"};
    // The frames: raw RGB rows on standard input.
    args.insert(args.end(), {"-f", "rawvideo", "-pix_fmt", "rgb24", "-s", size});
    args.insert(args.end(), {"-r", std::to_string(fps), "-i", "pipe:0"});
    // The movie, into the save file, which has no name to tell its container by.
    args.insert(args.end(), {"-an", "-pix_fmt", "yuv420p", "-f", containerof(path), "/dev/fd/3"});
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, fds[0], STDIN_FILENO);
    // ffmpeg opens the file anew there, with an offset of its own for seeking back.
    posix_spawn_file_actions_adddup2(&actions, file_.descriptor(), 3);
    // Ignored signals stay ignored across exec; ffmpeg gets the default SIGPIPE.
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t defaults;
    sigemptyset(&defaults);
    sigaddset(&defaults, SIGPIPE);
    posix_spawnattr_setsigdefault(&attributes, &defaults);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGDEF);
    const int failed =
        posix_spawn(&child_, ffmpeg.c_str(), &actions, &attributes, argv.data(), environ);
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&actions);
    close(fds[0]);
    if (failed != 0) {
        child_ = -1;
        close(fds[1]);
        return std::string("cannot start ffmpeg: ") + std::strerror(failed);
    }
    pipe_ = fds[1];
    path_ = path;
    // An ffmpeg that stops reading makes writes fail (EPIPE) instead of ending this process.
    struct sigaction ignore {};
    ignore.sa_handler = SIG_IGN;
    sigemptyset(&ignore.sa_mask);
    sigaction(SIGPIPE, &ignore, &pipesignal_);
    return {};
}

bool MovieEncoder::row(const Rgb* pixels) {
    const int j = rows_++ % height_;
    if (pipe_ < 0) return false;
    if (j >= (height_ & ~1)) return true;
    unsigned char* out = line_.data();
    for (std::size_t i = 0; i < line_.size() / 3; ++i) {
        *out++ = static_cast<unsigned char>(red(pixels[i]));
        *out++ = static_cast<unsigned char>(green(pixels[i]));
        *out++ = static_cast<unsigned char>(blue(pixels[i]));
    }
    if (writeall(pipe_, line_.data(), line_.size())) return true;
    close(pipe_);
    pipe_ = -1;
    return false;
}

// Closes ffmpeg's input and waits for it to end; its wait status, -1 for none.
int MovieEncoder::stop() {
    if (pipe_ >= 0) close(pipe_);
    pipe_ = -1;
    if (child_ <= 0) return -1;
    int status = 0;
    while (waitpid(child_, &status, 0) < 0 && errno == EINTR) {
    }
    child_ = -1;
    sigaction(SIGPIPE, &pipesignal_, nullptr);
    return status;
}

std::string MovieEncoder::finish() {
    const bool fed = pipe_ >= 0;
    const int status = stop();
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return "ffmpeg failed, so " + path_ + " was not written";
    if (!fed) return "ffmpeg stopped reading the frames, so " + path_ + " was not written";
    if (file_.commit() != 0) return saveerror[2];
    return {};
}

}  // namespace vantrel
