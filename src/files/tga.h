#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "files/savefile.h"
#include "state/app.h"

namespace vantrel {

// An uncompressed 24-bit Targa image written row by row, top row first, with the
// version-2 footer, saved as SaveFile saves: nothing is in place before `commit`.
class TgaWriter {
  public:
    // 0, else a save-error code (1 the file cannot be made, 2 no memory, 3 a write
    // failed).
    int open(const std::string& path, int xres, int yres);
    // False once a write has failed.
    bool row(const Rgb* pixels);
    // 0 once the file is in place, else 3.
    int commit();

  private:
    SaveFile file_;
    std::vector<std::uint8_t> line_;
    bool ok_ = false;
};

// Saves the surface to `tgafile`. 0 saved, else a `saveerror` code.
int writetga(App& app, const Surface& hdc);

// The fixed 18 bytes before and 26 bytes after the pixels of an xres x yres image.
std::vector<std::uint8_t> tgaheader(int xres, int yres);
std::vector<std::uint8_t> tgafooter();

}  // namespace vantrel
