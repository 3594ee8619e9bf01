#include "files/vtl.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <limits>

#include "fakehost.h"
#include "filesizelimit.h"
#include "render/deepimage.h"
#include "render/driver.h"
#include "render/reference.h"
#include "state/history.h"

namespace vantrel {
namespace {

namespace fs = std::filesystem;

std::vector<unsigned char> slurp(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void spill(const fs::path& p, const std::vector<unsigned char>& b) {
    std::ofstream out(p, std::ios::binary);
    out.write(reinterpret_cast<const char*>(b.data()), static_cast<std::streamsize>(b.size()));
}

class ParamFile : public ::testing::Test {
  protected:
    ParamFile() {
        dir = fs::temp_directory_path() /
              ("vantrel-vtl-" +
               std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
        fs::remove_all(dir);
        fs::create_directories(dir);
        seedhistory(app.s);
    }
    ~ParamFile() override { fs::remove_all(dir); }

    // Writes the state of `from` to a file and returns its path.
    std::string save(App& from, const std::string& name) {
        from.s.svtlfile = (dir / name).string();
        EXPECT_EQ(writevtl(from, 0), 0);
        return from.s.svtlfile;
    }
    int load(const std::string& path) {
        app.s.ovtlfile = path;
        return loadvtl(app);
    }
    // A file of the default state with one field patched.
    std::string patched(std::size_t offset, const std::vector<unsigned char>& bytes) {
        FakeHost h;
        App a(h);
        auto b = slurp(save(a, "base.vtl"));
        std::copy(bytes.begin(), bytes.end(), b.begin() + static_cast<std::ptrdiff_t>(offset));
        spill(dir / "patched.vtl", b);
        return (dir / "patched.vtl").string();
    }

    FakeHost host;
    App app{host};
    fs::path dir;
};

TEST_F(ParamFile, DefaultStateBytes) {
    const auto b = slurp(save(app, "default.vtl"));
    ASSERT_EQ(b.size(), 984u);
    EXPECT_EQ(std::vector<unsigned char>(b.begin(), b.begin() + 4),
              (std::vector<unsigned char>{0, 0, 0, 0}));
    EXPECT_EQ(std::vector<unsigned char>(b.begin() + 8, b.begin() + 16),
              (std::vector<unsigned char>{0x00, 0x01, 0, 0, 0x02, 0, 0, 0}));
    EXPECT_EQ(std::vector<unsigned char>(b.begin() + 804, b.begin() + 812),
              (std::vector<unsigned char>{0, 0, 0, 0, 0, 0, 0x02, 0xC0}));
    // method 1, outside 1, the palette from byte 36 (entry 0 is 0, 0, 15)
    EXPECT_EQ(b[4], 1);
    EXPECT_EQ(b[16], 1);
    EXPECT_EQ(b[36 + 2], 15);
    EXPECT_EQ(b[36 + 3 * 127], 255);
    EXPECT_EQ(b[924], 15);  // period
    EXPECT_EQ(b[968], 1);   // oklines
    EXPECT_EQ(app.s.svtlfiletitle, "default.vtl");
}

TEST_F(ParamFile, RoundTripRestoresEveryField) {
    FakeHost h;
    App from(h);
    State& s = from.s;
    s.ftype = 1, s.method = 0, s.maxiter = 16384, s.exponent = 17, s.outside = 20, s.inside = 30;
    s.rray = 1, s.gray = 2, s.bray = 255;
    for (int i = 0; i < 256; ++i)
        s.palette[i] = {static_cast<unsigned char>(i), static_cast<unsigned char>(255 - i),
                        static_cast<unsigned char>(i * 7)};
    s.mxmin = -0.1, s.mxmax = 0.1, s.mymin = -1e-9, s.mymax = 1e-9;
    s.jxmin = -3, s.jxmax = 1.0 / 3, s.jymin = -0.0, s.jymax = 64;
    s.exmin = -1, s.exmax = 2, s.eymin = -4, s.eymax = 5;
    s.jcx = -0.7454294, s.jcy = 0.1130089, s.maxsize = 1e30;
    s.period = 64, s.mapping = 1, s.plbkgd = 1, s.raymode = 1, s.num = 255, s.den = 256;
    s.slope = 5000, s.bailout = 8;
    s.okorbits = 1, s.oklines = 0, s.okescher = 1, s.okinvert = 1, s.tiaflag = 2;
    ASSERT_EQ(load(save(from, "all.vtl")), 0);
    EXPECT_EQ(paramfromstate(app.s), paramfromstate(s));
    EXPECT_TRUE(std::signbit(app.s.jymin));
    EXPECT_EQ(decodeparam(encodeparam(paramfromstate(s))), paramfromstate(s));
}

TEST_F(ParamFile, BesideTheImage) {
    app.s.svtlfile = (dir / "a-much-longer-name.vtl").string();
    ASSERT_EQ(writevtl(app, 0), 0);
    EXPECT_EQ(app.s.svtlfiletitle, "a-much-longer-name.vtl");
    app.s.tgafile = (dir / "b.tga").string();
    ASSERT_EQ(writevtl(app, 1), 0);
    EXPECT_EQ(app.s.svtlfile, (dir / "b.vtl").string());
    EXPECT_EQ(app.s.svtlfiletitle, "b.vtl");
    EXPECT_EQ(slurp(dir / "b.vtl").size(), 984u);
}

TEST_F(ParamFile, LoadingRecordsANewViewOnce) {
    FakeHost h;
    App from(h);
    from.s.mxmin = -1;
    const std::string path = save(from, "zoom.vtl");
    ASSERT_EQ(load(path), 0);
    EXPECT_EQ(app.s.zct[0], 1);
    EXPECT_EQ(app.s.z[0][1].xmin, -1);
    EXPECT_EQ(host.laststatus(1), "      current M-set: 2 / 2");
    // The same view again: neither the history nor the status bar change.
    host.status.clear();
    ASSERT_EQ(load(path), 0);
    EXPECT_EQ(app.s.zct[0], 1);
    EXPECT_TRUE(host.status.empty());
    // loadvtl does not set the working view; the next image takes it.
    EXPECT_EQ(app.s.xmin, 0);
}

TEST_F(ParamFile, LoadingIntoAFullHistoryRecordsNothing) {
    for (int k = 1; k < 50; ++k) pushview(app.s, -1.0 / k, 1, -1, 1);
    FakeHost h;
    App from(h);
    from.s.mxmin = -0.5;
    from.s.maxiter = 999;
    ASSERT_EQ(load(save(from, "full.vtl")), 0);
    EXPECT_EQ(app.s.maxiter, 999);
    EXPECT_EQ(app.s.mxmin, -0.5);
    EXPECT_EQ(app.s.zct[0], 49);
    EXPECT_EQ(app.s.z[0][49].xmin, -1.0 / 49);
    EXPECT_EQ(host.laststatus(1), "      current M-set: 50 / 50");
}

TEST_F(ParamFile, RefusedFilesChangeNothing) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    auto le32 = [](int v) {
        return std::vector<unsigned char>{
            static_cast<unsigned char>(v), static_cast<unsigned char>(v >> 8),
            static_cast<unsigned char>(v >> 16), static_cast<unsigned char>(v >> 24)};
    };
    auto le64 = [](double d) {
        std::vector<unsigned char> b(8);
        std::memcpy(b.data(), &d, 8);
        return b;
    };
    const PARAM before = paramfromstate(app.s);
    struct Bad {
        const char* what;
        std::size_t offset;
        std::vector<unsigned char> bytes;
    };
    const Bad bad[] = {{"ftype 2", 0, le32(2)},
                       {"method -1", 4, le32(-1)},
                       {"maxiter 0", 8, le32(0)},
                       {"maxiter 16385", 8, le32(16385)},
                       {"exponent 1", 12, le32(1)},
                       {"outside 19", 16, le32(19)},
                       {"inside 15", 20, le32(15)},
                       {"ray red 256", 24, le32(256)},
                       {"mxmin NaN", 804, le64(nan)},
                       {"jymax infinite", 860, le64(1.0 / 0.0)},
                       {"empty Mandelbrot view", 812, le64(-2.25)},
                       {"maxsize 1", 916, le64(1.0)},
                       {"period 65", 924, le32(65)},
                       {"num past den", 940, le32(3)},
                       {"den 257", 944, le32(257)},
                       {"slope 10", 948, le64(10.0)},
                       {"bailout NaN", 956, le64(nan)},
                       {"okorbits 2", 964, le32(2)},
                       {"tiaflag 3", 980, le32(3)}};
    for (const Bad& b : bad) {
        EXPECT_EQ(load(patched(b.offset, b.bytes)), 1) << b.what;
        EXPECT_EQ(paramfromstate(app.s), before) << b.what;
    }
    // Too short, too long, missing.
    auto good = slurp(patched(0, {}));
    spill(dir / "short.vtl", std::vector<unsigned char>(good.begin(), good.end() - 1));
    EXPECT_EQ(load((dir / "short.vtl").string()), 1);
    good.push_back(0);
    spill(dir / "long.vtl", good);
    EXPECT_EQ(load((dir / "long.vtl").string()), 1);
    EXPECT_EQ(load((dir / "none.vtl").string()), 1);
    EXPECT_EQ(load(dir.string()), 1);
    // A FIFO nobody writes to would be waited on for ever.
    ASSERT_EQ(mkfifo((dir / "fifo.vtl").c_str(), 0600), 0);
    EXPECT_EQ(load((dir / "fifo.vtl").string()), 1);
    EXPECT_EQ(paramfromstate(app.s), before);
    EXPECT_EQ(app.s.zct[0], 0);
    EXPECT_TRUE(host.status.empty());
}

TEST_F(ParamFile, AFailedWriteKeepsTheEarlierFile) {
    const fs::path target = dir / "keep.vtl";
    { std::ofstream(target) << "earlier"; }
    app.s.svtlfile = target.string();
    app.s.svtlfiletitle = "before";
    int code;
    {
        FileSizeLimit limit(100);
        code = writevtl(app, 0);
    }
    EXPECT_EQ(code, 3);
    EXPECT_EQ(slurp(target).size(), 7u);
    EXPECT_EQ(app.s.svtlfiletitle, "before");
    EXPECT_EQ(std::distance(fs::directory_iterator(dir), {}), 1);
    app.s.svtlfile = (dir / "no" / "such" / "dir.vtl").string();
    EXPECT_EQ(writevtl(app, 0), 1);
}

TEST_F(ParamFile, LoadedViewsRenderExactly) {
    FakeHost h;
    App from(h);
    from.s.ftype = 1;
    from.s.jxmin = -0.5, from.s.jxmax = 0.25, from.s.jymin = -0.2, from.s.jymax = 0.4;
    from.s.jcx = -0.8, from.s.jcy = 0.156;
    from.s.exponent = 5;
    from.s.method = 0;
    from.s.okinvert = 1;
    from.s.maxiter = 500;
    ASSERT_EQ(load(save(from, "julia.vtl")), 0);
    app.s.xres = 64;
    app.s.yres = 48;
    app.s.j = 0;
    app.s.okfractal = 1;
    while (app.s.okfractal) fractaldriver(app);
    EXPECT_EQ(app.s.xmin, -0.5);
    for (int r = 0; r < 48; ++r)
        for (int i = 0; i < 64; ++i)
            ASSERT_EQ(app.g_vhdc.getpixel(i, r),
                      reference::pixel(app.s, -0.5, 0.25, -0.2, 0.4, i, r));
}

}  // namespace
}  // namespace vantrel

namespace vantrel {
namespace {

TEST_F(ParamFile, WhatTheRecordCannotHoldIsSavedAsTextAndComesBack) {
    FakeHost h;
    App from(h);
    from.s.maxiter = 100000;
    from.s.outside = 3;
    from.s.mxmin = -0.75, from.s.mxmax = -0.25;
    // The chosen .vtl name becomes a text file beside it; no .vtl is written.
    const std::string path = save(from, "deep.vtl");
    EXPECT_EQ(path, (dir / "deep.vantrel").string());
    EXPECT_EQ(from.s.svtlfiletitle, "deep.vantrel");
    EXPECT_FALSE(fs::exists(dir / "deep.vtl"));
    ASSERT_EQ(load(path), 0);
    EXPECT_EQ(paramfromstate(app.s), paramfromstate(from.s));
    EXPECT_EQ(app.s.zct[0], 1);  // its view is pushed on the history
    EXPECT_EQ(app.s.z[0][1].xmin, -0.75);

    // A text file that is not right changes nothing, the same as a bad record.
    const auto good = slurp(path);
    std::string text(good.begin(), good.end());
    text.replace(text.find("maxiter = 100000"), 16, "maxiter = 1e5");
    spill(dir / "bad.vantrel", std::vector<unsigned char>(text.begin(), text.end()));
    FakeHost h2;
    App fresh(h2);
    seedhistory(fresh.s);
    const PARAM before = paramfromstate(fresh.s);
    fresh.s.ovtlfile = (dir / "bad.vantrel").string();
    EXPECT_EQ(loadvtl(fresh), 1);
    EXPECT_EQ(paramfromstate(fresh.s), before);
    EXPECT_EQ(fresh.s.zctmax[0], 0);
}

}  // namespace
}  // namespace vantrel

namespace vantrel {
namespace {

// Draws the state's current view to its end.
void drawall(App& a) {
    a.g_vhdc = Surface(a.s.xres, a.s.yres);
    a.s.j = 0;
    a.s.okfractal = 1;
    while (a.s.okfractal) fractaldriver(a);
}

TEST_F(ParamFile, DeepViewsComeBackExactlyAndDrawTheSameImage) {
    FakeHost h;
    App from(h);
    seedhistory(from.s);
    from.s.xres = 48;
    from.s.yres = 36;
    from.s.maxiter = 3000;
    from.s.outside = 3;
    app.s.xres = 48;
    app.s.yres = 36;
    // Views whose centres take many bits, at several depths.
    const char* views[][3] = {
        {"-1.7499576837060935036022145060706997072", "-1.2e-38", "3.1e-30"},
        {"-0.74364388703715870475219150611477", "0.13182590420531197049313205638513", "2.5e-28"},
        {"0.2500000000000000000000000000000000000000000000000000000000000001", "0", "7e-62"},
    };
    for (const auto& v : views) {
        DeepView d;
        ASSERT_TRUE(parsebig(v[0], &d.re) && parsebig(v[1], &d.im) && parsebig(v[2], &d.width));
        roundview(&d);
        d.on = true;
        from.s.deep = d;
        drawall(from);
        const std::string path = save(from, "deep.vtl");
        EXPECT_EQ(path, (dir / "deep.vantrel").string());
        ASSERT_EQ(load(path), 0);
        ASSERT_TRUE(deepactive(app.s));
        EXPECT_TRUE(sameview(app.s.deep, from.s.deep)) << v[0];
        EXPECT_EQ(app.s.maxiter, 3000);
        const DeepView& entry = app.s.zdeep[0][app.s.zct[0]];
        EXPECT_TRUE(entry.on && sameview(entry, from.s.deep));
        drawall(app);
        EXPECT_TRUE(app.g_vhdc == from.g_vhdc) << v[0];
    }
    const int entries = app.s.zctmax[0];

    // A text file without a deep view, and a record, end it.
    from.s.deep.on = false;
    from.s.mxmin = -0.75, from.s.mxmax = -0.25;
    ASSERT_EQ(load(save(from, "plain.vtl")), 0);
    EXPECT_FALSE(deepactive(app.s));
    EXPECT_EQ(app.s.zctmax[0], entries + 1);

    // Bad deep fields, and a deep view in a mode that cannot be drawn there, are
    // refused and change nothing.
    from.s.deep.on = true;
    drawall(from);
    const auto good = slurp(save(from, "good.vtl"));
    const std::string text(good.begin(), good.end());
    const auto line = [&](const std::string& key) {
        const auto at = text.find(key + " = ");
        return std::pair{at, text.find('\n', at) - at};
    };
    std::vector<std::string> bad;
    for (const char* w : {"deep.width = 0", "deep.width = -1e-40", "deep.width = inf",
                          "deep.width = 1e-30x", "deep.width = "}) {
        std::string b = text;
        const auto [at, n] = line("deep.width");
        bad.push_back(b.replace(at, n, w));
    }
    {
        std::string b = text;
        const auto [at, n] = line("deep.re");
        bad.push_back(b.replace(at, n, "deep.re = 0x1p-3"));
        b = text;
        const auto [at2, n2] = line("okinvert");
        bad.push_back(b.replace(at2, n2, "okinvert = 1"));
        b = text;
        const auto [at3, n3] = line("deep.im");
        bad.push_back(b.erase(at3, n3 + 1));
    }
    const State before = app.s;
    for (std::size_t k = 0; k < bad.size(); ++k) {
        spill(dir / "bad.vantrel", std::vector<unsigned char>(bad[k].begin(), bad[k].end()));
        app.s.ovtlfile = (dir / "bad.vantrel").string();
        std::string why;
        EXPECT_EQ(loadvtl(app, &why), 1) << k;
        if (k == 6) {
            EXPECT_EQ(why, "inversion in the unit circle cannot be drawn at this depth");
        }
        EXPECT_EQ(paramfromstate(app.s), paramfromstate(before)) << k;
        EXPECT_EQ(app.s.zctmax[0], before.zctmax[0]) << k;
        EXPECT_EQ(app.s.deep.on, before.deep.on) << k;
    }
}

}  // namespace
}  // namespace vantrel
