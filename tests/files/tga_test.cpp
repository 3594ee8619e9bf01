#include "files/tga.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "fakehost.h"
#include "filesizelimit.h"

namespace vantrel {
namespace {

namespace fs = std::filesystem;

std::vector<unsigned char> slurp(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

class Targa : public ::testing::Test {
  protected:
    Targa() {
        dir = fs::temp_directory_path() /
              ("vantrel-tga-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
               "-" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir);
        fs::create_directories(dir);
    }
    ~Targa() override {
        fs::permissions(dir, fs::perms::owner_all);
        fs::remove_all(dir);
    }
    std::size_t entries() const {
        return static_cast<std::size_t>(std::distance(fs::directory_iterator(dir), {}));
    }
    FakeHost host;
    App app{host};
    fs::path dir;
};

TEST_F(Targa, BytesOfA600By600Image) {
    app.s.xres = app.s.yres = 600;
    Surface image(600, 600, grey);
    image.setpixel(0, 0, rgb(255, 0, 0));
    image.setpixel(599, 599, rgb(1, 2, 3));
    app.s.tgafile = (dir / "a.tga").string();
    host.cursor = Cursor::cross;
    ASSERT_EQ(writetga(app, image), 0);
    const auto b = slurp(dir / "a.tga");
    ASSERT_EQ(b.size(), 1080044u);
    EXPECT_EQ(b[0], 0);
    EXPECT_EQ(b[1], 0);
    EXPECT_EQ(b[2], 2);
    EXPECT_EQ(b[12], 0x58);
    EXPECT_EQ(b[13], 0x02);
    EXPECT_EQ(b[14], 0x58);
    EXPECT_EQ(b[15], 0x02);
    EXPECT_EQ(b[16], 24);
    EXPECT_EQ(b[17], 0x20);
    // The top-left pixel comes first, blue green red.
    EXPECT_EQ(b[18], 0x00);
    EXPECT_EQ(b[19], 0x00);
    EXPECT_EQ(b[20], 0xFF);
    EXPECT_EQ(b[21], 128);
    const std::size_t last = 18 + 3 * (600 * 600 - 1);
    EXPECT_EQ(b[last], 3);
    EXPECT_EQ(b[last + 2], 1);
    const std::string sig(b.end() - 18, b.end() - 1);
    EXPECT_EQ(sig, "TRUEVISION-XFILE.");
    EXPECT_EQ(b.back(), 0);
    for (std::size_t k = b.size() - 26; k < b.size() - 18; ++k) EXPECT_EQ(b[k], 0);
    // The window was disabled while writing and the cursor is the one from before.
    EXPECT_EQ(host.enabled, (std::vector<bool>{false, true}));
    EXPECT_EQ(host.cursor, Cursor::cross);
}

TEST_F(Targa, RowsAreNotPadded) {
    app.s.xres = 33;
    app.s.yres = 35;
    Surface image(33, 35);
    image.setpixel(0, 1, rgb(10, 20, 30));
    app.s.tgafile = (dir / "odd.tga").string();
    ASSERT_EQ(writetga(app, image), 0);
    const auto b = slurp(dir / "odd.tga");
    ASSERT_EQ(b.size(), 18u + 3 * 33 * 35 + 26);
    EXPECT_EQ(b[12], 33);
    EXPECT_EQ(b[14], 35);
    EXPECT_EQ(b[18 + 3 * 33], 30);
    EXPECT_EQ(b[18 + 3 * 33 + 2], 10);
}

TEST_F(Targa, AFailedSaveKeepsTheEarlierFile) {
    const fs::path target = dir / "keep.tga";
    { std::ofstream(target) << "earlier"; }
    app.s.xres = app.s.yres = 32;
    Surface image(32, 32);
    // A directory that cannot be written: nothing can be opened there.
    fs::permissions(dir, fs::perms::owner_read | fs::perms::owner_exec);
    app.s.tgafile = target.string();
    const bool root = [&] {
        std::ofstream probe(dir / "probe");
        return probe.good();
    }();
    if (!root) {
        EXPECT_EQ(writetga(app, image), 1);
        EXPECT_EQ(slurp(target).size(), 7u);
    }
    fs::permissions(dir, fs::perms::owner_all);
    fs::remove(dir / "probe");
    // A target that is a directory cannot be opened either.
    app.s.tgafile = dir.string();
    EXPECT_EQ(writetga(app, image), 1);
    app.s.tgafile = (dir / "missing" / "x.tga").string();
    EXPECT_EQ(writetga(app, image), 1);
    EXPECT_EQ(entries(), 1u);
    EXPECT_EQ(slurp(target).size(), 7u);
}

TEST_F(Targa, AWriteFailureLeavesTheEarlierFileAndNoPartialOne) {
    const fs::path target = dir / "keep.tga";
    { std::ofstream(target) << "earlier"; }
    app.s.xres = app.s.yres = 600;
    Surface image(600, 600);
    app.s.tgafile = target.string();
    host.cursor = Cursor::cross;
    int code;
    {
        FileSizeLimit limit(4096);  // the disk is "full" after 4 KiB
        code = writetga(app, image);
    }
    EXPECT_EQ(code, 3);
    EXPECT_EQ(slurp(target).size(), 7u);
    EXPECT_EQ(entries(), 1u);
    EXPECT_EQ(host.enabled, (std::vector<bool>{false, true}));
    EXPECT_EQ(host.cursor, Cursor::cross);
}

}  // namespace
}  // namespace vantrel
