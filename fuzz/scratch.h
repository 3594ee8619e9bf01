#pragma once

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>

// The readers take file names, so each input goes through a file of this process,
// removed again when the fuzzer ends normally.
inline std::string scratchfile(const char* ext, const std::uint8_t* data, std::size_t size) {
    struct Scratch {
        std::string path;
        ~Scratch() { std::remove(path.c_str()); }
    };
    static const Scratch scratch{(std::filesystem::temp_directory_path() /
                                  ("vantrel-fuzz-" + std::to_string(getpid()) + ext))
                                     .string()};
    std::FILE* f = std::fopen(scratch.path.c_str(), "wb");
    if (!f) __builtin_trap();
    if (size != 0 && std::fwrite(data, 1, size, f) != size) __builtin_trap();
    std::fclose(f);
    return scratch.path;
}
