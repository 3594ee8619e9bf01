#pragma once

#include <cstdio>
#include <memory>
#include <string>

namespace vantrel {

using FilePtr = std::unique_ptr<std::FILE, int (*)(std::FILE*)>;

// `path` opened for reading in binary mode if it is a regular file (a symbolic link
// to one is fine); null for anything else. A FIFO or a device is refused without
// waiting on it, so that naming one cannot hang the program.
FilePtr openregular(const std::string& path);

}  // namespace vantrel
