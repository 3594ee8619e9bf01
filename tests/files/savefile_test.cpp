#include "files/savefile.h"

#include <grp.h>
#include <gtest/gtest.h>
#include <pwd.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <set>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

// Every fsync of this program, with what it synced and which file the watched
// target was at that moment: the save's order of events, as the disk sees it.
struct Sync {
    bool folder;
    ino_t synced;
    ino_t target;  // 0 while the target does not exist
};
std::vector<Sync>* synclog = nullptr;
const fs::path* watched = nullptr;

ino_t inode(const fs::path& p) {
    struct stat st {};
    return lstat(p.c_str(), &st) == 0 ? st.st_ino : 0;
}

}  // namespace

extern "C" int fsync(int fd) {
    if (synclog) {
        struct stat st {};
        fstat(fd, &st);
        synclog->push_back({S_ISDIR(st.st_mode), st.st_ino, inode(*watched)});
    }
    return static_cast<int>(syscall(SYS_fsync, fd));
}

namespace vantrel {
namespace {

std::string slurp(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void spill(const fs::path& p, const std::string& text) {
    std::ofstream(p, std::ios::binary) << text;
}

struct Attributes {
    mode_t mode;
    uid_t uid;
    gid_t gid;
    bool operator==(const Attributes&) const = default;
};

Attributes attributes(const fs::path& p) {
    struct stat st {};
    lstat(p.c_str(), &st);
    return {st.st_mode, st.st_uid, st.st_gid};
}

int save(const fs::path& target, const std::string& text, SaveFile::Temp temp) {
    SaveFile file(temp);
    if (const int r = file.open(target.string()); r != 0) return r;
    if (!file.write(text.data(), text.size())) return 3;
    return file.commit();
}

// The exit status of `body` run in a child process, or -signal when a signal ended it.
int inchild(const std::function<int()>& body) {
    const pid_t pid = fork();
    if (pid == 0) _exit(body());
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFSIGNALED(status) ? -WTERMSIG(status) : WEXITSTATUS(status);
}

constexpr SaveFile::Temp temps[] = {SaveFile::Temp::unnamed, SaveFile::Temp::named};
const char* label(SaveFile::Temp t) {
    return t == SaveFile::Temp::unnamed ? "unnamed" : "named";
}

class SaveFileTest : public ::testing::Test {
  protected:
    SaveFileTest() {
        dir = fs::temp_directory_path() /
              ("vantrel-save-" + std::to_string(getpid()) + "-" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir);
        fs::create_directories(dir);
        fs::permissions(dir, fs::perms(0755));
    }
    ~SaveFileTest() override { fs::remove_all(dir); }

    // The names in a folder: a temporary file left behind shows here.
    static std::set<std::string> names(const fs::path& folder) {
        std::set<std::string> n;
        for (const auto& e : fs::directory_iterator(folder)) n.insert(e.path().filename().string());
        return n;
    }

    fs::path dir;
};

TEST_F(SaveFileTest, ReplacingKeepsModeOwnerAndGroupAndNewFilesFollowTheUmask) {
    const mode_t umasked = umask(027);
    for (const auto temp : temps) {
        const fs::path target = dir / "keep.tga";
        spill(target, "earlier");
        chmod(target.c_str(), 0604);
        // Another owner and group, where we may give them (as root).
        const bool root = chown(target.c_str(), 65534, 65534) == 0;
        const Attributes before = attributes(target);
        EXPECT_EQ(save(target, "later", temp), 0) << label(temp);
        EXPECT_EQ(slurp(target), "later");
        EXPECT_EQ(attributes(target), before) << label(temp);
        if (root) {
            EXPECT_EQ(attributes(target).uid, 65534u);
        }

        const fs::path fresh = dir / (std::string("fresh-") + label(temp));
        EXPECT_EQ(save(fresh, "new", temp), 0);
        EXPECT_EQ(attributes(fresh).mode, S_IFREG | 0640) << label(temp);
        EXPECT_EQ(attributes(fresh).uid, geteuid());
        fs::remove(fresh);
        fs::remove(target);
        EXPECT_TRUE(names(dir).empty());
    }
    umask(umasked);
}

TEST_F(SaveFileTest, TheFileIsSyncedBeforeItReplacesTheTargetAndTheFolderAfter) {
    const fs::path target = dir / "keep.tga";
    for (const auto temp : temps) {
        spill(target, "earlier");
        const ino_t earlier = inode(target);
        std::vector<Sync> log;
        synclog = &log;
        watched = &target;
        const int r = save(target, "later", temp);
        synclog = nullptr;
        ASSERT_EQ(r, 0);
        const ino_t saved = inode(target);
        ASSERT_EQ(log.size(), 2u) << label(temp);
        EXPECT_FALSE(log[0].folder);
        EXPECT_EQ(log[0].synced, saved);
        EXPECT_EQ(log[0].target, earlier) << "the file is synced before the rename";
        EXPECT_TRUE(log[1].folder);
        EXPECT_EQ(log[1].synced, inode(dir));
        EXPECT_EQ(log[1].target, saved) << "the folder is synced after the rename";
    }
}

TEST_F(SaveFileTest, NamesAsLongAsTheFileSystemTakesCanBeSaved) {
    for (const auto temp : temps) {
        for (const std::size_t length : {241u, 255u}) {
            const fs::path target = dir / std::string(length, 'n');
            EXPECT_EQ(save(target, "long", temp), 0) << label(temp) << " " << length;
            EXPECT_EQ(slurp(target), "long");
            fs::remove(target);
        }
        EXPECT_EQ(save(dir / std::string(256, 'n'), "too long", temp), 1);
        EXPECT_TRUE(names(dir).empty());
    }
}

// A save interrupted by a signal that ends the process, or stopped by the file-size
// limit, leaves the earlier file as it was and no temporary file.
TEST_F(SaveFileTest, SignalsAndTheFileSizeLimitLeaveTheEarlierFileAndNothingElse) {
    const fs::path target = dir / "keep.tga";
    spill(target, "earlier");
    chmod(target.c_str(), 0600);
    const Attributes before = attributes(target);
    const std::string big(1 << 20, 'x');
    for (const auto temp : temps) {
        for (const int sig : {SIGINT, SIGTERM, SIGHUP}) {
            int ready[2];
            ASSERT_EQ(pipe(ready), 0);
            const pid_t pid = fork();
            if (pid == 0) {
                // As in a process started normally (a background job ignores SIGINT).
                std::signal(sig, SIG_DFL);
                SaveFile file(temp);
                if (file.open(target.string()) != 0 || !file.write(big.data(), big.size()))
                    _exit(1);
                (void)!::write(ready[1], "w", 1);
                for (;;) pause();
            }
            close(ready[1]);
            char c = 0;
            ASSERT_EQ(read(ready[0], &c, 1), 1) << label(temp) << " " << sig;
            close(ready[0]);
            kill(pid, sig);
            int status = 0;
            waitpid(pid, &status, 0);
            EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == sig)
                << label(temp) << " " << sig;
            EXPECT_EQ(names(dir), std::set<std::string>{"keep.tga"}) << label(temp) << " " << sig;
        }
        const int code = inchild([&] {
            std::signal(SIGXFSZ, SIG_DFL);
            const rlimit limit{4096, RLIM_INFINITY};
            setrlimit(RLIMIT_FSIZE, &limit);
            return save(target, big, temp);
        });
        EXPECT_EQ(code, 3) << label(temp) << ": the size limit is a write error";
        EXPECT_EQ(names(dir), std::set<std::string>{"keep.tga"});
        EXPECT_EQ(slurp(target), "earlier");
        EXPECT_EQ(attributes(target), before);
    }
}

// Shared folders as an unprivileged user sees them: a sticky, world-writable
// folder like /tmp holding files and links of others.
class SharedFolder : public SaveFileTest {
  protected:
    void SetUp() override {
        const passwd* pw = getpwnam("nobody");
        if (geteuid() != 0 || !pw) GTEST_SKIP() << "needs root and the user nobody";
        user = pw->pw_uid;
        group = pw->pw_gid;
        shared = dir / "shared";
        elsewhere = dir / "elsewhere";
        fs::create_directories(shared);
        fs::create_directories(elsewhere);
        chmod(shared.c_str(), 01777);
        chmod(elsewhere.c_str(), 0777);
        if (asuser([&] { return access(shared.c_str(), W_OK | X_OK); }) != 0)
            GTEST_SKIP() << "nobody cannot reach " << dir;
    }
    int asuser(const std::function<int()>& body) {
        return inchild([&] {
            if (setgroups(0, nullptr) != 0 || setgid(group) != 0 || setuid(user) != 0) return 99;
            return body();
        });
    }
    // The result of saving `text` to `target` as that user.
    int saveasuser(const fs::path& target, const std::string& text) {
        return asuser([&] { return save(target, text, SaveFile::Temp::unnamed); });
    }
    void plant(const fs::path& link, const fs::path& to, uid_t owner) {
        fs::create_symlink(to, link);
        lchown(link.c_str(), owner, owner);
    }
    uid_t user = 0;
    gid_t group = 0;
    fs::path shared, elsewhere;
};

TEST_F(SharedFolder, AFileOfAnotherOwnerInAStickyFolderIsRefusedUpFront) {
    const fs::path theirs = shared / "theirs.tga", mine = shared / "mine.tga";
    spill(theirs, "theirs");
    chmod(theirs.c_str(), 0666);  // writable, but not ours to replace
    spill(mine, "mine");
    chown(mine.c_str(), user, group);
    const Attributes before = attributes(theirs);
    EXPECT_EQ(saveasuser(theirs, "later"), 1);
    EXPECT_EQ(slurp(theirs), "theirs");
    EXPECT_EQ(attributes(theirs), before);
    EXPECT_EQ(saveasuser(mine, "later"), 0);
    EXPECT_EQ(slurp(mine), "later");
    EXPECT_EQ(attributes(mine).uid, user);
    EXPECT_EQ(names(shared), (std::set<std::string>{"mine.tga", "theirs.tga"}));
}

TEST_F(SharedFolder, LinksAreFollowedOnlyWhereTheKernelWouldAndNeverToNothing) {
    const fs::path target = elsewhere / "target.tga";
    spill(target, "earlier");
    chmod(target.c_str(), 0666);
    const Attributes before = attributes(target);
    const uid_t stranger = 4242;
    // Planted by someone else in the shared folder: refused.
    plant(shared / "planted.tga", target, stranger);
    EXPECT_EQ(saveasuser(shared / "planted.tga", "redirected"), 1);
    EXPECT_EQ(slurp(target), "earlier");
    EXPECT_EQ(attributes(target), before);
    EXPECT_TRUE(fs::is_symlink(shared / "planted.tga"));
    // The same link in a folder that is not shared is the owner's business: followed,
    // and the link stays a link.
    plant(elsewhere / "plain.tga", "target.tga", stranger);
    EXPECT_EQ(saveasuser(elsewhere / "plain.tga", "through a plain link"), 0);
    EXPECT_EQ(slurp(target), "through a plain link");
    EXPECT_TRUE(fs::is_symlink(elsewhere / "plain.tga"));
    // Our own link, and the folder owner's, are followed in the shared folder too.
    plant(shared / "mine.tga", target, user);
    EXPECT_EQ(saveasuser(shared / "mine.tga", "through my link"), 0);
    EXPECT_EQ(slurp(target), "through my link");
    plant(shared / "owners.tga", target, 0);
    EXPECT_EQ(saveasuser(shared / "owners.tga", "through the owner's link"), 0);
    EXPECT_EQ(slurp(target), "through the owner's link");
    // A link to nothing is refused, not replaced, and nothing appears where it points.
    plant(shared / "dangling.tga", elsewhere / "absent.tga", user);
    EXPECT_EQ(saveasuser(shared / "dangling.tga", "nowhere"), 1);
    EXPECT_TRUE(fs::is_symlink(shared / "dangling.tga"));
    EXPECT_EQ(names(elsewhere), (std::set<std::string>{"plain.tga", "target.tga"}));
    EXPECT_EQ(names(shared),
              (std::set<std::string>{"dangling.tga", "mine.tga", "owners.tga", "planted.tga"}));
}

}  // namespace
}  // namespace vantrel
