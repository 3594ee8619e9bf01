// What this folder needs from the system beyond standard C++, on POSIX systems:
// the one place in src/files that makes POSIX calls. Other systems build
// portable.cpp instead, which does the same with std::filesystem, less carefully.
#if defined(__unix__) || defined(__APPLE__)

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>

#include "files/regularfile.h"
#include "files/savefile.h"

namespace vantrel {

namespace {

// A named temporary file must not outlive the process, whatever ends it. The
// signals that end a process by default (where nobody has taken them over) remove
// the named temporary files of the saves under way and then end the process as
// they would have. The steps that create, rename or remove such a name run with
// those signals blocked on the saving thread, and a handler running on another
// thread waits for them, so that no name exists without its record here.
constexpr int endingsignals[] = {SIGINT, SIGTERM, SIGHUP};

struct Pending {
    std::atomic<bool> used{false};
    std::atomic<int> folder{-1};  // the folder's descriptor while the name exists
    char name[32] = {};
};
Pending pending[16];
std::atomic<int> critical{0};
std::atomic<bool> ending{false};

void onending(int sig) {
    ending = true;
    while (critical.load() != 0) {
    }
    for (Pending& p : pending) {
        const int folder = p.folder.load();
        if (folder >= 0) unlinkat(folder, p.name, 0);
    }
    signal(sig, SIG_DFL);
    raise(sig);
}

// Past the file-size limit the kernel would end the process without a word; with
// the signal handled, write() fails with EFBIG instead and the save reports it.
void onfilesize(int) {}

void takeover(int sig, void (*handler)(int)) {
    struct sigaction old {};
    if (sigaction(sig, nullptr, &old) != 0) return;
    if ((old.sa_flags & SA_SIGINFO) != 0 || old.sa_handler != SIG_DFL) return;
    struct sigaction now {};
    now.sa_handler = handler;
    now.sa_flags = SA_RESTART;
    sigemptyset(&now.sa_mask);
    for (const int s : endingsignals) sigaddset(&now.sa_mask, s);
    sigaction(sig, &now, nullptr);
}

void handlesignals() {
    for (const int s : endingsignals) takeover(s, onending);
    takeover(SIGXFSZ, onfilesize);
}

// The ending signals held off on this thread, and handlers elsewhere made to wait.
class Critical {
  public:
    Critical() {
        sigset_t set;
        sigemptyset(&set);
        for (const int s : endingsignals) sigaddset(&set, s);
        pthread_sigmask(SIG_BLOCK, &set, &old_);
        ++critical;
        if (ending) {
            // Another thread is ending the process; let it, and do nothing more.
            --critical;
            for (;;) pause();
        }
    }
    ~Critical() {
        --critical;
        pthread_sigmask(SIG_SETMASK, &old_, nullptr);
    }
    Critical(const Critical&) = delete;
    Critical& operator=(const Critical&) = delete;

  private:
    sigset_t old_;
};

Pending* record(int folder, const std::string& name) {
    if (name.size() >= sizeof Pending::name) return nullptr;
    for (Pending& p : pending) {
        if (p.used.exchange(true)) continue;
        std::memcpy(p.name, name.c_str(), name.size() + 1);
        p.folder = folder;
        return &p;
    }
    return nullptr;
}

void forget(Pending* p) {
    p->folder = -1;
    p->used = false;
}

int openfolder(int base, const std::string& path) {
    int fd = openat(base, path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
#ifdef O_PATH
    // A folder we may write but not list: it cannot be synced, but saved into.
    if (fd < 0 && errno == EACCES)
        fd = openat(base, path.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
#endif
    return fd;
}

// Would the kernel follow this link with protected_symlinks set? Not in a sticky,
// world-writable folder, unless the link is ours or the folder's owner's.
bool followable(const struct stat& link, const struct stat& folder) {
    const bool shared = (folder.st_mode & S_ISVTX) != 0 && (folder.st_mode & S_IWOTH) != 0;
    return !shared || link.st_uid == geteuid() || link.st_uid == folder.st_uid;
}

}  // namespace

struct SaveFile::System {
    int folder = -1;   // the folder the target is in
    std::string name;  // the target's name there
    bool replaces = false;
    struct stat old {};    // the file being replaced
    int fd = -1;           // the temporary file
    std::string tempname;  // its name while it has one
    Pending* named = nullptr;
    bool failed = false;

    ~System() {
        if (fd >= 0) close(fd);
        if (named) {
            Critical c;
            unlinkat(folder, tempname.c_str(), 0);
            forget(named);
        }
        if (folder >= 0) close(folder);
    }

    // Opens the target's folder and finds the file a save would replace. The
    // folders on the way are the kernel's to resolve; a symbolic link as the last
    // part is followed here only where the kernel would follow it, and only to a
    // file that exists.
    bool locate(const std::string& target) {
        std::string path = target;
        int base = AT_FDCWD;
        for (int hops = 0; hops < 40; ++hops) {
            const std::size_t slash = path.find_last_of('/');
            name = slash == std::string::npos ? path : path.substr(slash + 1);
            const std::string dir = slash == std::string::npos ? "." : path.substr(0, slash + 1);
            folder = name.empty() || name == "." || name == ".." ? -1 : openfolder(base, dir);
            if (base != AT_FDCWD) close(base);
            if (folder < 0) return false;
            struct stat link {};
            if (fstatat(folder, name.c_str(), &link, AT_SYMLINK_NOFOLLOW) != 0)
                return errno == ENOENT && hops == 0;  // a link to nothing is no target
            if (!S_ISLNK(link.st_mode)) return true;
            struct stat here {};
            if (fstat(folder, &here) != 0 || !followable(link, here)) return false;
            char to[PATH_MAX];
            const ssize_t n = readlinkat(folder, name.c_str(), to, sizeof to);
            if (n <= 0 || n == static_cast<ssize_t>(sizeof to)) return false;
            path.assign(to, static_cast<std::size_t>(n));
            base = folder;  // a relative link is read from its own folder
            folder = -1;
        }
        return false;
    }

    // What a plain write would allow, and what the final rename will need.
    bool replaceable() {
        if (fstatat(folder, name.c_str(), &old, AT_SYMLINK_NOFOLLOW) != 0) return errno == ENOENT;
        if (!S_ISREG(old.st_mode)) return false;
        if (faccessat(folder, name.c_str(), W_OK, AT_EACCESS) != 0) return false;
        // In a sticky folder only the file's owner, the folder's owner or root may
        // replace it.
        struct stat dir {};
        if (fstat(folder, &dir) != 0) return false;
        const uid_t me = geteuid();
        if ((dir.st_mode & S_ISVTX) != 0 && me != 0 && old.st_uid != me && dir.st_uid != me)
            return false;
        replaces = true;
        return true;
    }

    bool create(Temp temp) {
#ifdef O_TMPFILE
        // Unnamed, nothing can be left behind; linking it later goes through /proc.
        if (temp == Temp::unnamed && access("/proc/self/fd", X_OK) == 0) {
            fd = openat(folder, ".", O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666);
            if (fd >= 0) return true;
        }
#else
        (void)temp;
#endif
        Critical c;
        for (int attempt = 0; attempt < 16; ++attempt) {
            const std::string n = temporaryname();
            fd = openat(folder, n.c_str(), O_CREAT | O_EXCL | O_WRONLY | O_NOFOLLOW | O_CLOEXEC,
                        0666);
            if (fd < 0 && errno == EEXIST) continue;
            if (fd < 0) return false;
            named = record(folder, n);
            tempname = n;
            if (named) return true;
            unlinkat(folder, n.c_str(), 0);
            return false;
        }
        return false;
    }

    bool write(const void* data, std::size_t size) {
        const char* p = static_cast<const char*>(data);
        while (size > 0 && !failed) {
            const ssize_t n = ::write(fd, p, size);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) {
                failed = true;
                break;
            }
            p += n;
            size -= static_cast<std::size_t>(n);
        }
        return !failed;
    }

    // The replaced file's mode, and its owner and group as far as we may give them.
    bool keepattributes() {
        if (!replaces) return true;
        mode_t mode = old.st_mode & 0777;
        if (fchown(fd, old.st_uid, old.st_gid) == 0)
            mode = old.st_mode & 07777;
        else
            (void)!fchown(fd, static_cast<uid_t>(-1), old.st_gid);
        return fchmod(fd, mode) == 0;
    }

    // The synced file takes the target's place: an unnamed one is given a name
    // first, as linkat cannot replace a file and rename can.
    bool publish() {
        Critical c;
        if (!named) {
            char self[64];
            std::snprintf(self, sizeof self, "/proc/self/fd/%d", fd);
            for (int attempt = 0; attempt < 16 && !named; ++attempt) {
                const std::string n = temporaryname();
                if (linkat(AT_FDCWD, self, folder, n.c_str(), AT_SYMLINK_FOLLOW) != 0) {
                    if (errno == EEXIST) continue;
                    return false;
                }
                tempname = n;
                named = record(folder, n);
                if (!named) {
                    unlinkat(folder, n.c_str(), 0);
                    return false;
                }
            }
            if (!named) return false;
        }
        if (renameat(folder, tempname.c_str(), folder, name.c_str()) != 0) return false;
        forget(named);
        named = nullptr;
        return true;
    }
};

SaveFile::SaveFile(Temp temp) : temp_(temp) {}

SaveFile::~SaveFile() = default;

int SaveFile::open(const std::string& target) {
    system_.reset();
    if (target.empty()) return 1;
    handlesignals();
    auto system = std::make_unique<System>();
    if (!system->locate(target) || !system->replaceable() || !system->create(temp_)) return 1;
    system_ = std::move(system);
    return 0;
}

bool SaveFile::write(const void* data, std::size_t size) {
    return system_ && system_->write(data, size);
}

int SaveFile::commit() {
    if (!system_) return 3;
    System& f = *system_;
    const bool ok = !f.failed && f.keepattributes() && fsync(f.fd) == 0 && f.publish();
    // The rename is durable once the folder is on disk too.
    if (ok) fsync(f.folder);
    system_.reset();
    return ok ? 0 : 3;
}

int SaveFile::descriptor() const {
    return system_ ? system_->fd : -1;
}

FilePtr openregular(const std::string& path) {
    FilePtr none(nullptr, &std::fclose);
    struct stat st {};
    if (stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return none;
    // Checked again on what was opened, without waiting should it be a FIFO by now.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) return none;
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) ||
        fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK) != 0) {
        close(fd);
        return none;
    }
    std::FILE* file = fdopen(fd, "rb");
    if (!file) close(fd);
    return FilePtr(file, &std::fclose);
}

}  // namespace vantrel

#endif
