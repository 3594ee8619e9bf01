// Any bytes as a MAP palette: no crash, no undefined behaviour, and the current
// palette never touched whatever the file holds.
#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdlib>

#include "files/mapfile.h"
#include "scratch.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    vantrel::State s;
    s.mapfile = scratchfile(".map", data, size);
    const int r = vantrel::OpenMapFile(s);
    if (r != 0 && r != 1) std::abort();
    if (s.palette != vantrel::defpalette()) std::abort();
    // A short file without a newline is one piece: one entry, then black.
    if (r == 0 && size < 99 && std::find(data, data + size, '\n') == data + size)
        for (int i = 1; i < 256; ++i)
            if (s.paltemp[i] != std::array<unsigned char, 3>{0, 0, 0}) std::abort();
    return 0;
}
