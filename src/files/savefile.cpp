#include "files/savefile.h"

#include <cstdint>
#include <random>

namespace vantrel {

std::string temporaryname() {
    static thread_local std::mt19937_64 random = [] {
        std::random_device device;
        std::seed_seq seed{device(), device(), device(), device()};
        return std::mt19937_64(seed);
    }();
    static constexpr char digits[] = "0123456789abcdef";
    std::uint64_t bits = random();
    std::string name = ".vantrel-";
    for (int k = 0; k < 16; ++k, bits >>= 4) name.push_back(digits[bits & 15]);
    return name;
}

}  // namespace vantrel
