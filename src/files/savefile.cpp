#include "files/savefile.h"

#include <random>
#include <system_error>

namespace vantrel {

namespace fs = std::filesystem;

SaveFile::~SaveFile() { discard(); }

int SaveFile::open(const std::string& target) {
    discard();
    if (target.empty()) return 1;
    std::error_code ec;
    fs::path path = fs::weakly_canonical(fs::path(target), ec);
    if (ec) path = target;
    const auto status = fs::status(path, ec);
    if (fs::exists(status)) {
        // An existing file must be writable by us, as it would be for a plain write.
        if (!fs::is_regular_file(status)) return 1;
        std::FILE* probe = std::fopen(path.string().c_str(), "ab");
        if (!probe) return 1;
        std::fclose(probe);
    }
    std::random_device rd;
    for (int attempt = 0; attempt < 16 && !file_; ++attempt) {
        const fs::path temp = path.parent_path() / ("." + path.filename().string() + ".part-" +
                                                    std::to_string(rd()));
        file_ = std::fopen(temp.string().c_str(), "wbx");
        if (file_) temp_ = temp;
    }
    if (!file_) return 1;
    target_ = path;
    failed_ = false;
    return 0;
}

bool SaveFile::write(const void* data, std::size_t size) {
    if (!file_ || failed_) return false;
    if (size > 0 && std::fwrite(data, 1, size, file_) != size) failed_ = true;
    return !failed_;
}

int SaveFile::commit() {
    if (!file_) return 3;
    bool ok = !failed_ && std::fflush(file_) == 0 && !std::ferror(file_);
    ok = (std::fclose(file_) == 0) && ok;
    file_ = nullptr;
    std::error_code ec;
    if (ok) fs::rename(temp_, target_, ec);
    if (!ok || ec) {
        fs::remove(temp_, ec);
        temp_.clear();
        return 3;
    }
    temp_.clear();
    return 0;
}

void SaveFile::discard() {
    if (file_) {
        std::fclose(file_);
        file_ = nullptr;
    }
    if (!temp_.empty()) {
        std::error_code ec;
        fs::remove(temp_, ec);
        temp_.clear();
    }
}

}  // namespace vantrel
