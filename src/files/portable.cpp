// The files folder's system part for systems other than POSIX (posix.cpp is the
// POSIX one), in standard C++ only: the temporary file is named from the start and
// removed when the save fails, but an ending signal can leave it behind, nothing is
// synced, links are followed and the replaced file's attributes are not kept.
#if !defined(__unix__) && !defined(__APPLE__)

#include <filesystem>
#include <system_error>

#include "files/regularfile.h"
#include "files/savefile.h"

namespace vantrel {

namespace fs = std::filesystem;

struct SaveFile::System {
    fs::path target, temp;
    std::FILE* file = nullptr;
    bool failed = false;

    ~System() {
        if (file) std::fclose(file);
        std::error_code ec;
        if (!temp.empty()) fs::remove(temp, ec);
    }
};

SaveFile::SaveFile(Temp temp) : temp_(temp) {}

SaveFile::~SaveFile() = default;

int SaveFile::open(const std::string& target) {
    system_.reset();
    (void)temp_;  // every temporary file is named here
    if (target.empty()) return 1;
    auto system = std::make_unique<System>();
    std::error_code ec;
    system->target = fs::weakly_canonical(fs::path(target), ec);
    if (ec) system->target = target;
    const auto status = fs::symlink_status(system->target, ec);
    if (fs::exists(status)) {
        if (!fs::is_regular_file(status)) return 1;
        std::FILE* probe = std::fopen(system->target.string().c_str(), "ab");
        if (!probe) return 1;
        std::fclose(probe);
    }
    for (int attempt = 0; attempt < 16 && !system->file; ++attempt) {
        const fs::path temp = system->target.parent_path() / temporaryname();
        system->file = std::fopen(temp.string().c_str(), "wbx");
        if (system->file) system->temp = temp;
    }
    if (!system->file) return 1;
    system_ = std::move(system);
    return 0;
}

bool SaveFile::write(const void* data, std::size_t size) {
    if (!system_ || system_->failed) return false;
    if (size > 0 && std::fwrite(data, 1, size, system_->file) != size) system_->failed = true;
    return !system_->failed;
}

// Standard C++ has no descriptors.
int SaveFile::descriptor() const {
    return -1;
}

int SaveFile::commit() {
    if (!system_) return 3;
    System& f = *system_;
    bool ok = !f.failed && std::fflush(f.file) == 0 && !std::ferror(f.file);
    ok = std::fclose(f.file) == 0 && ok;
    f.file = nullptr;
    std::error_code ec;
    if (ok) fs::rename(f.temp, f.target, ec);
    if (ok && !ec) f.temp.clear();
    system_.reset();
    return ok && !ec ? 0 : 3;
}

FilePtr openregular(const std::string& path) {
    std::error_code ec;
    if (!fs::is_regular_file(path, ec)) return FilePtr(nullptr, &std::fclose);
    return FilePtr(std::fopen(path.c_str(), "rb"), &std::fclose);
}

}  // namespace vantrel

#endif
