#include "files/tga.h"

#include <cstring>
#include <new>

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

int TgaWriter::open(const std::string& path, int xres, int yres) {
    if (file_.open(path) != 0) return 1;
    try {
        line_.assign(static_cast<std::size_t>(xres) * 3, 0);
    } catch (const std::bad_alloc&) {
        return 2;
    }
    const auto header = tgaheader(xres, yres);
    ok_ = file_.write(header.data(), header.size());
    return ok_ ? 0 : 3;
}

bool TgaWriter::row(const Rgb* pixels) {
    if (!ok_) return false;
    const std::size_t n = line_.size() / 3;
    for (std::size_t i = 0; i < n; ++i) {
        const Rgb c = pixels[i];
        line_[3 * i] = static_cast<std::uint8_t>(blue(c));
        line_[3 * i + 1] = static_cast<std::uint8_t>(green(c));
        line_[3 * i + 2] = static_cast<std::uint8_t>(red(c));
    }
    ok_ = file_.write(line_.data(), line_.size());
    return ok_;
}

int TgaWriter::commit() {
    if (!ok_) return 3;
    const auto footer = tgafooter();
    ok_ = file_.write(footer.data(), footer.size()) && file_.commit() == 0;
    return ok_ ? 0 : 3;
}

int writetga(App& app, const Surface& hdc) {
    const State& s = app.s;
    TgaWriter tga;
    if (const int r = tga.open(s.tgafile, s.xres, s.yres)) return r;
    const Cursor previous = app.host.setcursor(Cursor::wait);
    app.host.enablewindow(false);
    bool ok = true;
    for (int j = 0; j < s.yres && ok; ++j) ok = tga.row(hdc.row(j));
    const int r = ok ? tga.commit() : 3;
    app.host.enablewindow(true);
    app.host.setcursor(previous);
    return r;
}

}  // namespace vantrel
