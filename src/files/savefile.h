#pragma once

#include <cstddef>
#include <cstdio>
#include <filesystem>
#include <string>

namespace vantrel {

// A file written beside its target and renamed over it only once every byte is on
// disk, so that a failed save leaves the user's earlier file as it was and no
// partial file behind. Results follow the save-error codes: 1 cannot be opened,
// 3 a write failed.
class SaveFile {
public:
    SaveFile() = default;
    SaveFile(const SaveFile&) = delete;
    SaveFile& operator=(const SaveFile&) = delete;
    ~SaveFile();

    // 0, or 1 when the target cannot be written.
    int open(const std::string& target);
    bool write(const void* data, std::size_t size);
    // 0 once the target holds what was written, else 3 (and the target is untouched).
    int commit();

private:
    void discard();

    std::filesystem::path target_, temp_;
    std::FILE* file_ = nullptr;
    bool failed_ = false;
};

}  // namespace vantrel
