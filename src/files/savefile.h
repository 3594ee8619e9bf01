#pragma once

#include <cstddef>
#include <memory>
#include <string>

namespace vantrel {

// A file written beside its target and put in its place only once every byte is on
// disk (the file and then its folder synced), so that a failed or interrupted save
// leaves the user's earlier file as it was and no partial file behind. The new file
// takes the mode, and where permitted the owner and group, of the file it replaces.
// The target is refused up front when the save could not end in replacing it: a
// missing folder, a file we may not write or (in a sticky folder) may not replace, a
// symbolic link the kernel would not follow there, or a link to nothing.
// Results follow the save-error codes: 1 cannot be opened, 3 a write failed.
//
// How this is done depends on the system: posix.cpp is the POSIX version (an
// unnamed temporary file where the file system has them; signals and file-size
// limits handled), portable.cpp a plain std::filesystem one for other systems.
class SaveFile {
  public:
    // Where the file system lets it, the file is written unnamed and gets a name only
    // for the moment before it replaces the target; `named` asks for a named
    // temporary file from the start, as other file systems get (for tests).
    enum class Temp { unnamed, named };

    explicit SaveFile(Temp temp = Temp::unnamed);
    SaveFile(const SaveFile&) = delete;
    SaveFile& operator=(const SaveFile&) = delete;
    ~SaveFile();

    // 0, or 1 when the target cannot be written.
    int open(const std::string& target);
    bool write(const void* data, std::size_t size);
    // 0 once the target holds what was written, else 3 (and the target is untouched).
    int commit();
    // The open temporary file's descriptor, for another program that writes the
    // file itself (through /dev/fd); -1 when none is open or the system gives none.
    int descriptor() const;

    struct System;

  private:
    Temp temp_;
    std::unique_ptr<System> system_;
};

// The name of a temporary file beside a target: a short fixed prefix and a random
// suffix, so that it fits wherever the target's own name does.
std::string temporaryname();

}  // namespace vantrel
