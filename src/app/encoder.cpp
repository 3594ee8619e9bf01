#include "app/encoder.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string_view>

#include "files/savefile.h"

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

}  // namespace

bool moviefilename(const std::string& path) {
    for (const char* extension : {".mp4", ".mkv", ".webm", ".mov"})
        if (endsnocase(path, extension)) return true;
    return false;
}

MovieEncoder::~MovieEncoder() {
    // Abandoned: ffmpeg need not finish a file that is removed anyway.
    if (child_ > 0) kill(child_, SIGTERM);
    stop();
    if (!temporary_.empty()) unlink(temporary_.c_str());
}

std::string MovieEncoder::open(const std::string& path, int width, int height, int fps) {
    const std::string ffmpeg = findffmpeg();
    if (ffmpeg.empty())
        return "a movie file is made by ffmpeg, which is not installed (Debian: apt-get "
               "install ffmpeg); or write the frames as images with -o DIR/frame-%05d.png";
    // Beside the target, with its extension, which tells ffmpeg the container.
    const auto slash = path.rfind('/');
    temporary_ = path.substr(0, slash == std::string::npos ? 0 : slash + 1) + temporaryname() +
                 path.substr(path.rfind('.'));
    // Made now, so that a folder that cannot be written is known before the first frame.
    const int fd = ::open(temporary_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0) {
        temporary_.clear();
        return "cannot write " + path + ": " + std::strerror(errno);
    }
    close(fd);

    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0) return std::string("cannot start ffmpeg: ") + strerror(errno);
    width_ = width;
    height_ = height;
    // The usual players want the chroma of pixel pairs (yuv420p): even sizes.
    const int even = width & ~1;
    line_.resize(3 * static_cast<std::size_t>(even));
    // "file:" keeps a name with a colon or a leading dash a plain file name.
    std::string args[] = {"ffmpeg", "-y", "-loglevel", "error", "-f", "rawvideo", "-pix_fmt",
                          "rgb24", "-s", std::to_string(even) + "x" + std::to_string(height & ~1),
                          "-r", std::to_string(fps), "-i", "pipe:0", "-an", "-pix_fmt", "yuv420p",
                          "file:" + temporary_};
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, fds[0], STDIN_FILENO);
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
    std::string message;
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        message = "ffmpeg failed, so " + path_ + " was not written";
    else if (!fed)
        message = "ffmpeg stopped reading the frames, so " + path_ + " was not written";
    else if (std::rename(temporary_.c_str(), path_.c_str()) != 0)
        message = "cannot write " + path_ + ": " + std::strerror(errno);
    else
        temporary_.clear();
    if (!temporary_.empty()) unlink(temporary_.c_str());
    temporary_.clear();
    return message;
}

}  // namespace vantrel
