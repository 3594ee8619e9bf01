#include "files/tga.h"

#include <cstring>
#include <new>

#include "files/savefile.h"

namespace vantrel {

std::vector<std::uint8_t> tgaheader(int xres, int yres) {
    std::vector<std::uint8_t> h(18, 0);
    h[2] = 2;  // uncompressed true color
    h[12] = static_cast<std::uint8_t>(xres & 0xFF);
    h[13] = static_cast<std::uint8_t>((xres >> 8) & 0xFF);
    h[14] = static_cast<std::uint8_t>(yres & 0xFF);
    h[15] = static_cast<std::uint8_t>((yres >> 8) & 0xFF);
    h[16] = 24;
    h[17] = 0x20;  // the first row in the file is the top row
    return h;
}

std::vector<std::uint8_t> tgafooter() {
    std::vector<std::uint8_t> f(26, 0);
    std::memcpy(f.data() + 8, "TRUEVISION-XFILE.", 17);
    return f;
}

int writetga(App& app, const Surface& hdc) {
    const State& s = app.s;
    SaveFile file;
    if (file.open(s.tgafile) != 0) return 1;
    std::vector<std::uint8_t> linebuffer;
    try {
        linebuffer.assign(static_cast<std::size_t>(s.xres) * 3, 0);
    } catch (const std::bad_alloc&) {
        return 2;
    }
    const auto header = tgaheader(s.xres, s.yres);
    if (!file.write(header.data(), header.size())) return 3;

    const Cursor previous = app.host.setcursor(Cursor::wait);
    app.host.enablewindow(false);
    bool ok = true;
    for (int j = 0; j < s.yres && ok; ++j) {
        for (int i = 0; i < s.xres; ++i) {
            const Rgb c = hdc.getpixel(i, j);
            linebuffer[3 * i] = static_cast<std::uint8_t>(blue(c));
            linebuffer[3 * i + 1] = static_cast<std::uint8_t>(green(c));
            linebuffer[3 * i + 2] = static_cast<std::uint8_t>(red(c));
        }
        ok = file.write(linebuffer.data(), linebuffer.size());
    }
    if (ok) {
        const auto footer = tgafooter();
        ok = file.write(footer.data(), footer.size()) && file.commit() == 0;
    }
    app.host.enablewindow(true);
    app.host.setcursor(previous);
    return ok ? 0 : 3;
}

}  // namespace vantrel
