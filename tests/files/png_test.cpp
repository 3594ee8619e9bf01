#include "files/png.h"

#include <gtest/gtest.h>
#include <png.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "fakehost.h"
#include "files/textparams.h"
#include "files/vtl.h"
#include "filesizelimit.h"

namespace vantrel {
namespace {

namespace fs = std::filesystem;

std::string slurp(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// The pixels of a PNG file as libpng's own reader gives them, as 0xFFRRGGBB.
Surface decode(const fs::path& p) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, p.c_str())) return {};
    image.format = PNG_FORMAT_BGRA;
    Surface out(static_cast<int>(image.width), static_cast<int>(image.height));
    const bool ok = png_image_finish_read(&image, nullptr, out.row(0), 0, nullptr) != 0;
    png_image_free(&image);
    return ok ? out : Surface();
}

// A PNG of the plain kind other programs write: no parameters of ours.
void writeplainpng(const fs::path& p, int w, int h) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    image.width = static_cast<png_uint_32>(w);
    image.height = static_cast<png_uint_32>(h);
    image.format = PNG_FORMAT_BGRA;
    const Surface pixels(w, h, grey);
    ASSERT_TRUE(png_image_write_to_file(&image, p.c_str(), 0, pixels.row(0), 0, nullptr));
}

class Png : public ::testing::Test {
  protected:
    Png() {
        dir = fs::temp_directory_path() /
              ("vantrel-png-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
               "-" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir);
        fs::create_directories(dir);
    }
    ~Png() override { fs::remove_all(dir); }
    std::size_t entries() const {
        return static_cast<std::size_t>(std::distance(fs::directory_iterator(dir), {}));
    }
    fs::path dir;
};

TEST_F(Png, PixelsAndParametersComeBackAtEverySize) {
    // Text of any length, with UTF-8 and line ends, comes back byte for byte.
    const std::string params = encodetext({PARAM{}, "", "", ""}) + "# Grüße \xE2\x9C\x93\n";
    for (const auto& [w, h] : {std::pair{1, 1}, {33, 35}, {600, 2}, {1, 300}}) {
        Surface image(w, h);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) image.setpixel(x, y, rgb(x * 7 + y, x ^ y, (x * y) >> 3));
        const fs::path p = dir / (std::to_string(w) + "x" + std::to_string(h) + ".png");
        ASSERT_EQ(writepng(image, p.string(), params), 0);
        EXPECT_EQ(decode(p), image) << w << "x" << h;
        const auto back = readpngfile(p.string());
        ASSERT_TRUE(back) << w << "x" << h;
        EXPECT_EQ(back->text, params);
        EXPECT_EQ(back->width, w);
        EXPECT_EQ(back->height, h);
    }
}

TEST_F(Png, ImagesWithoutOurParametersAreRefused) {
    writeplainpng(dir / "plain.png", 40, 30);
    EXPECT_TRUE(lookslikepng(slurp(dir / "plain.png")));
    EXPECT_FALSE(readpngfile((dir / "plain.png").string()));

    Surface image(40, 30);
    ASSERT_EQ(writepng(image, (dir / "ours.png").string(), "format = x\n"), 0);
    const std::string whole = slurp(dir / "ours.png");
    ASSERT_TRUE(readpngparams(whole));
    // Cut before the end of the text chunk, or with a byte of the text changed (its
    // checksum no longer holds): nothing is read from it.
    const std::size_t chunk = whole.find("iTXt");
    ASSERT_NE(chunk, std::string::npos);
    for (std::size_t cut = 0; cut < chunk + 30; ++cut)
        EXPECT_FALSE(readpngparams(std::string_view(whole).substr(0, cut))) << cut;
    std::string damaged = whole;
    damaged[chunk + 10] ^= 1;
    EXPECT_FALSE(readpngparams(damaged));
    // A chunk claiming to be enormous is refused without being read.
    std::string huge = whole;
    for (int k = 0; k < 4; ++k) huge[chunk - 4 + k] = '\x7f';
    EXPECT_FALSE(readpngparams(huge));
    EXPECT_FALSE(readpngparams("not a png at all"));
    EXPECT_FALSE(readpngfile((dir / "missing.png").string()));
}

TEST_F(Png, AFailedSaveLeavesTheEarlierFileAndNoPartialOne) {
    const fs::path target = dir / "keep.png";
    { std::ofstream(target) << "earlier"; }
    Surface image(800, 800);
    for (int y = 0; y < 800; ++y)
        for (int x = 0; x < 800; ++x) image.setpixel(x, y, rgb(x * 31 + y, y * 17, x ^ y));
    int code;
    {
        FileSizeLimit limit(4096);  // the disk is "full" after 4 KiB
        code = writepng(image, target.string(), "format = x\n");
    }
    EXPECT_EQ(code, 3);
    EXPECT_EQ(writepng(image, (dir / "missing" / "x.png").string(), ""), 1);
    // Abandoned half-way: nothing is written.
    {
        PngWriter half;
        ASSERT_EQ(half.open(target.string(), 800, 800, ""), 0);
        for (int y = 0; y < 400; ++y) ASSERT_TRUE(half.row(image.row(y)));
    }
    EXPECT_EQ(slurp(target), "earlier");
    EXPECT_EQ(entries(), 1u);
}

// The parameters a PNG carries load as those of a parameter file do, and a PNG
// without them changes nothing.
TEST_F(Png, LoadingAnImageGivesBackItsParameters) {
    FakeHost host;
    App saved(host);
    State& s = saved.s;
    s.maxiter = 50000;  // past what the binary record holds
    s.outside = 7;
    s.exponent = 3;
    s.palette[17] = {1, 2, 3};
    s.mxmin = -0.76;
    s.mxmax = -0.74;
    s.mymin = 0.10;
    s.mymax = 0.12;
    const fs::path p = dir / "view.png";
    ASSERT_EQ(writepng(Surface(32, 32), p.string(), paramtext(s)), 0);

    App loaded(host);
    loaded.s.ovtlfile = p.string();
    ASSERT_EQ(loadvtl(loaded), 0);
    EXPECT_EQ(encodetext({paramfromstate(loaded.s), "", "", ""}), paramtext(s));

    writeplainpng(dir / "plain.png", 32, 32);
    App untouched(host);
    untouched.s.ovtlfile = (dir / "plain.png").string();
    EXPECT_EQ(loadvtl(untouched), 1);
    EXPECT_EQ(paramtext(untouched.s), paramtext(App(host).s));
}

}  // namespace
}  // namespace vantrel
