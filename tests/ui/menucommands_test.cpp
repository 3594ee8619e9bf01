// The commands that open dialogs and file dialogs, driven through the loop with
// scripted answers from the fake host.

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>

#include "files/png.h"
#include "files/vtl.h"
#include "render/frame.h"
#include "render/rows.h"
#include "ui/explorer.h"

namespace vantrel {
namespace {

namespace fs = std::filesystem;

class Menu : public ::testing::Test, public Explorer {
  protected:
    Menu() {
        // Other builds may run these tests at the same time.
        dir =
            fs::temp_directory_path() / ("vantrel-menu-" + std::to_string(std::random_device{}()));
        fs::create_directories(dir);
    }
    ~Menu() override { fs::remove_all(dir); }

    std::string at(const std::string& name) const { return (dir / name).string(); }
    void ok(std::map<int, std::string> text, std::vector<int> check = {}) {
        host.presses.push_back({std::move(text), std::move(check), false});
    }
    void cancel() { host.presses.push_back({{}, {}, true}); }
    void writemap(const std::string& name, int step) {
        std::ofstream out(at(name));
        for (int i = 0; i < 256; ++i) out << i << ' ' << (i * step) % 256 << ' ' << 255 - i << '\n';
    }

    fs::path dir;
};

// The image an explorer draws at this size and iteration limit from the home view.
Surface homeimage(int xres, int yres, int maxiter) {
    Explorer e;
    e.start();
    e.app.posted.clear();
    e.app.s.xres = xres;
    e.app.s.yres = yres;
    e.app.s.maxiter = maxiter;
    e.app.g_vhdc = Surface(xres, yres);
    e.command(cmd::plot);
    return e.app.g_vhdc;
}

// ---- parameters ------------------------------------------------------------------

TEST_F(Menu, ANewSizeMakesANewSurfaceAndThePlotDrawsAtThatSize) {
    openplain();
    ok({{325, "200"}, {330, "150"}, {335, "64"}});
    key(key::f5);
    ASSERT_EQ(host.dialogs, std::vector<int>{300});
    EXPECT_EQ(host.opened[0].gettext(325), "301");
    EXPECT_EQ(app.g_vhdc.width(), 200);
    EXPECT_EQ(app.g_vhdc.height(), 150);
    EXPECT_EQ(app.s.newdimensions, 0);
    EXPECT_EQ(app.s.okfractal, 0);  // nothing is drawn until the user plots
    EXPECT_EQ(host.laststatus(1), "      current M-set: 1 / 1");

    command(cmd::plot);
    EXPECT_EQ(app.s.okzoom, 1);
    EXPECT_EQ(app.g_vhdc, homeimage(200, 150, 64));
    // The window shows the new image and nothing of the old one around it.
    EXPECT_TRUE(samepixels(app.window, app.g_vhdc, {0, 0, 200, 150}));
    EXPECT_EQ(app.window.getpixel(250, 100), black);
    EXPECT_EQ(app.window.getpixel(100, 200), black);
}

TEST_F(Menu, ASizeStoredBeforeARefusalStillResizesAPausedImageCleanly) {
    openplain();
    turn(Message::key(key::f1));
    for (int n = 0; n < 200; ++n) turn(Message::of(MessageType::wake));
    turn(Message::key(key::pause));
    ASSERT_GT(app.s.j, 150);

    // yres is refused after xres was stored; Cancel keeps the stored xres.
    ok({{325, "120"}, {330, "10"}});
    cancel();
    key(key::f5);
    ASSERT_EQ(host.focus, std::vector<int>{330});
    EXPECT_EQ(lastbox().text, "yres range: 32 - 9600");
    EXPECT_EQ(lastbox().title, "Parameter Error");
    EXPECT_EQ(lastbox().icon, Icon::exclamation);
    EXPECT_TRUE(lastbox().owned);
    EXPECT_EQ(app.s.xres, 120);
    EXPECT_EQ(app.g_vhdc.width(), 120);
    EXPECT_EQ(app.g_vhdc.height(), 301);
    EXPECT_EQ(app.s.j, 0);  // no row of the old image is resumed in the new surface

    command(cmd::plot);
    EXPECT_EQ(app.g_vhdc, homeimage(120, 301, 256));
}

TEST_F(Menu, NewBoundsArePushedUnlessTheHistoryIsFull) {
    openplain();
    ok({{305, "-1.5"}, {310, "0.5"}});
    key(key::f5);
    EXPECT_EQ(app.s.zct[0], 1);
    EXPECT_EQ(app.s.z[0][1].xmin, -1.5);
    EXPECT_EQ(app.s.newminmax, 0);
    EXPECT_EQ(host.laststatus(1), "      current M-set: 2 / 2");

    app.s.zct[0] = app.s.zctmax[0] = historysize - 1;
    ok({{305, "-1.25"}});
    key(key::f5);
    EXPECT_EQ(app.s.zct[0], historysize - 1);
    EXPECT_EQ(app.s.newminmax, 1);  // kept for when there is room again
    EXPECT_EQ(app.s.mxmin, -1.25);

    // Cancel at once changes nothing.
    cancel();
    const double before = app.s.mxmin;
    key(key::f5);
    EXPECT_EQ(app.s.mxmin, before);
}

TEST_F(Menu, InOrbitModeANewSizeRedrawsAtOnceWithAFreshOrbitSurface) {
    openplain();
    key('O');
    ok({{325, "100"}, {330, "80"}});
    key(key::f5);  // settles: the image is drawn straight away
    EXPECT_EQ(app.s.okzoom, 1);
    EXPECT_EQ(app.g_vhdc.width(), 100);
    EXPECT_EQ(app.g_ohdc.width(), 100);
    EXPECT_EQ(app.g_ohdc.height(), 80);
    EXPECT_EQ(app.g_ohdc, app.g_vhdc);
}

// ---- option dialogs ----------------------------------------------------------------

TEST_F(Menu, EachColoringDialogLeadsToTheSettingsOfItsMethod) {
    openplain();
    struct Case {
        int key, button, next;
    };
    for (const Case c : {Case{key::f7, 520, 700}, Case{key::f7, 528, 800}, Case{key::f7, 524, 900},
                         Case{key::f7, 521, 0}, Case{key::f8, 620, 700}, Case{key::f8, 621, 0}}) {
        host.dialogs.clear();
        host.presses.clear();
        ok({}, {c.button});
        cancel();  // the dialog that follows, if any
        key(c.key);
        std::vector<int> want{c.key == key::f7 ? 500 : 600};
        if (c.next) want.push_back(c.next);
        EXPECT_EQ(host.dialogs, want) << c.button;
    }
    EXPECT_EQ(app.s.inside, inside::zmag);

    // Cancel in the outside dialog opens nothing.
    host.dialogs.clear();
    host.presses.clear();
    cancel();
    key(key::f7);
    EXPECT_EQ(host.dialogs, std::vector<int>{500});

    // What the follow-up dialog stores arrives in the state.
    host.dialogs.clear();
    ok({}, {520});
    ok({{730, "10"}, {740, "20"}, {750, "30"}});
    key(key::f7);
    EXPECT_EQ(host.dialogs, (std::vector<int>{500, 700}));
    EXPECT_EQ(app.s.outside, outside::solidcolor);
    EXPECT_EQ(app.s.bin, 30);
}

TEST_F(Menu, TypeAndMethodChangeTheNextImageOnly) {
    openplain();
    const Surface image = app.g_vhdc;
    ok({}, {221});
    key(key::f4);
    EXPECT_EQ(app.s.ftype, settype::julia);
    EXPECT_EQ(host.laststatus(1), "      current J-set: 1 / 1");
    EXPECT_EQ(app.s.xmin, -2.25);
    EXPECT_EQ(app.s.xmax, 2.25);
    ok({}, {420});
    key(key::f6);
    EXPECT_EQ(app.s.method, coloringmethod::heightfield);
    EXPECT_EQ(app.s.okfractal, 0);
    EXPECT_EQ(app.g_vhdc, image);
    // Dialogs of the option commands are refused where the commands are.
    key('O');
    host.dialogs.clear();
    key(key::f4);
    key(key::f9);
    EXPECT_TRUE(host.dialogs.empty());
}

// The anti-aliasing choice is taken at any time, drawing or not, and by the next
// image only: an image under way keeps its own.
TEST_F(Menu, AntiAliasingTakesEffectWhenTheImageIsNextDrawn) {
    openplain();
    const Surface plain = app.g_vhdc;
    command(cmd::antialias + 3);
    EXPECT_EQ(app.g_vhdc, plain);
    // Started, a few rows drawn, then 1 chosen: the image ends with 3 x 3 samples.
    app.s.j = 0;
    app.s.okfractal = 1;
    for (int k = 0; k < 5; ++k) ProgramTurn(app);
    ASSERT_EQ(app.s.okfractal, 1);
    deliver(Message::command(cmd::antialias + 1));
    settle();
    Frame f = makeframe(app);
    f.aa = 3;
    std::vector<Rgb> row(static_cast<std::size_t>(app.s.xres));
    for (const int r : {0, 150, 300}) {
        renderrow(f, r, row.data());
        for (int i = 0; i < app.s.xres; ++i)
            ASSERT_EQ(app.g_vhdc.getpixel(i, r), row[static_cast<std::size_t>(i)])
                << i << ", " << r;
    }
    EXPECT_NE(app.g_vhdc, plain);
    // The next image takes the 1.
    command(cmd::plot);
    EXPECT_EQ(app.g_vhdc, plain);
}

TEST_F(Menu, RaysAreDrawnOverTheImageAndShown) {
    openplain();
    // Along the real axis, right of the cardioid's cusp, and left of the set.
    ASSERT_NE(app.g_vhdc.getpixel(280, 150), black);
    ASSERT_NE(app.g_vhdc.getpixel(10, 150), black);
    ok({{1050, "0"}, {1060, "1"}});
    key(key::f9);
    EXPECT_EQ(app.g_vhdc.getpixel(280, 150), black);
    EXPECT_NE(app.g_vhdc.getpixel(10, 150), black);
    EXPECT_TRUE(samepixels(app.window, app.g_vhdc, {0, 0, 301, 301}));
    EXPECT_EQ(host.presented.back(), (Rect{0, 0, 301, 301}));
    EXPECT_EQ(app.s.okfractal, 0);

    // All rays with denominator 2: 1/2 runs along the negative axis.
    ok({{1050, "0"}, {1060, "2"}}, {1096});
    key(key::f9);
    EXPECT_EQ(app.g_vhdc.getpixel(10, 150), black);
}

// ---- MAP palettes ------------------------------------------------------------------

TEST_F(Menu, AMapPaletteIsPreviewedAndTakenOnlyOnYes) {
    openplain();
    writemap("a.map", 7);
    const Surface image = app.g_vhdc;
    const Palette before = app.s.palette;

    // No: the palette stays and the open dialog comes back; its Cancel ends it.
    host.files = {at("a.map"), ""};
    host.answers = {IDNO};
    key('M');
    ASSERT_EQ(host.choices.size(), 2u);
    EXPECT_EQ(host.choices[0].title, "Select a Fractint .MAP File");
    ASSERT_EQ(host.choices[0].filters.size(), 1u);
    EXPECT_EQ(host.choices[0].filters[0].pattern, "*.map");
    EXPECT_EQ(host.choices[0].defext, "map");
    // The first dialog lists the directory the program started in.
    EXPECT_EQ(host.choices[0].path, (fs::current_path() / "*.map").string());
    EXPECT_EQ(host.choices[1].path, at("a.map"));
    EXPECT_EQ(app.s.mapfiletitle, "a.map");
    ASSERT_EQ(boxes(), 1);
    EXPECT_EQ(lastbox().text, "Accept palette?\n\n( Toggle this option with ALT + M )");
    EXPECT_EQ(lastbox().title, "Preview");
    EXPECT_EQ(lastbox().buttons, Buttons::yesno);
    EXPECT_EQ(lastbox().icon, Icon::information);
    EXPECT_FALSE(lastbox().owned);
    EXPECT_EQ(app.s.palette, before);
    // The covered corner is back on the window and in the image.
    EXPECT_EQ(app.g_vhdc, image);
    EXPECT_TRUE(samepixels(app.window, image, {0, 0, 301, 301}));

    host.files = {at("a.map")};
    host.answers = {IDYES};
    key('M');
    EXPECT_EQ(app.s.palette[10], (std::array<unsigned char, 3>{10, 70, 245}));
    EXPECT_EQ(app.g_vhdc, image);  // seen only in the next image

    // Without the preview the palette is taken at once.
    writemap("b.map", 3);
    key('M', true);
    host.files = {at("b.map")};
    const int asked = boxes();
    key('M');
    EXPECT_EQ(boxes(), asked);
    EXPECT_EQ(app.s.palette[10], (std::array<unsigned char, 3>{10, 30, 245}));

    // A file that does not parse leaves the palette.
    {
        std::ofstream bad(at("bad.map"));
        bad << "1 2 3\n4, 5, 6\n";
    }
    host.files = {at("bad.map")};
    key('M');
    EXPECT_EQ(lastbox().text, "Error opening MAP file");
    EXPECT_EQ(lastbox().title, "MAP file error");
    EXPECT_EQ(lastbox().icon, Icon::exclamation);
    EXPECT_TRUE(lastbox().owned);
    EXPECT_EQ(app.s.palette[10], (std::array<unsigned char, 3>{10, 30, 245}));
}

// ---- saving and loading ------------------------------------------------------------

TEST_F(Menu, SaveImageWritesTheImageAndItsParametersAndSaysSo) {
    openplain();
    host.files = {at("b.tga")};
    key('S');
    ASSERT_EQ(host.choices.size(), 1u);
    EXPECT_EQ(host.choices[0].title, "Select a file for saving your image:");
    ASSERT_EQ(host.choices[0].filters.size(), 2u);
    EXPECT_EQ(host.choices[0].filters[1].name, "PNG files (*.png)");
    EXPECT_EQ(fs::file_size(at("b.tga")), 18u + 301u * 301u * 3u + 26u);
    EXPECT_EQ(fs::file_size(at("b.vtl")), 984u);
    ASSERT_EQ(boxes(), 2);
    EXPECT_EQ(host.boxes[0].text, "Image saved as b.tga");
    EXPECT_EQ(host.boxes[0].title, "Save Image");
    EXPECT_EQ(host.boxes[0].icon, Icon::information);
    EXPECT_EQ(host.boxes[1].text,
              "Parameters saved as b.vtl\n\nLoad via ' File ' menu or by double-clicking.");
    EXPECT_EQ(host.boxes[1].title, "Parameters");

    // A name ending in .png is a PNG image of the view surface that carries the
    // parameters of its view.
    host.files = {at("c.png")};
    key('S');
    EXPECT_EQ(host.boxes[2].text, "Image saved as c.png");
    EXPECT_TRUE(fs::exists(at("c.vtl")));
    const auto png = readpngfile(at("c.png"));
    ASSERT_TRUE(png);
    EXPECT_EQ(png->text, paramtext(app.s));
    EXPECT_EQ(png->width, app.g_vhdc.width());
    EXPECT_EQ(png->height, app.g_vhdc.height());

    // Failures name the reason, and the parameters are not saved after them.
    host.boxes.clear();
    host.files = {(dir / "none" / "d.tga").string()};
    key('S');
    ASSERT_EQ(boxes(), 1);
    EXPECT_EQ(lastbox().text, saveerror[0]);
    EXPECT_EQ(lastbox().title, "Save file error");
    EXPECT_EQ(lastbox().icon, Icon::exclamation);
    EXPECT_TRUE(lastbox().owned);
    host.files = {(dir / "none" / "e.png").string()};
    key('S');
    EXPECT_EQ(lastbox().text, saveerror[0]);
    EXPECT_FALSE(fs::exists(dir / "none"));

    // Cancel saves and says nothing.
    host.boxes.clear();
    key('S');
    EXPECT_EQ(boxes(), 0);
}

TEST_F(Menu, SaveAndLoadParametersWithTheirMessages) {
    openplain();
    host.files = {at("p.vtl")};
    key('P');
    EXPECT_EQ(host.choices.back().title, "Select a file for saving parameters:");
    EXPECT_EQ(lastbox().text,
              "Parameters saved as p.vtl\n\nLoad via ' File ' menu or by double-clicking.");
    EXPECT_EQ(lastbox().title, "Parameters");
    host.files = {(dir / "none" / "p.vtl").string()};
    key('P');
    EXPECT_EQ(lastbox().text, saveerror[0]);
    EXPECT_EQ(lastbox().title, "Save file error");

    host.files = {at("p.vtl")};
    key('L');
    EXPECT_EQ(host.choices.back().title, "Select an VTL parameter file:");
    EXPECT_EQ(lastbox().text, "Parameter file  p.vtl  loaded.");
    EXPECT_EQ(lastbox().title, "Parameters");
    EXPECT_EQ(lastbox().icon, Icon::information);
    EXPECT_FALSE(lastbox().owned);
    host.files = {at("missing.vtl")};
    key('L');
    EXPECT_EQ(lastbox().text, "Error opening VTL file");
    EXPECT_EQ(lastbox().title, "VTL file error");
    EXPECT_EQ(lastbox().icon, Icon::exclamation);
    EXPECT_TRUE(lastbox().owned);
}

TEST_F(Menu, ALoadedFileDrawsTheSameImageAsTheProgramStartedWithIt) {
    openplain();
    // A zoomed Julia set with its own colors and palette, saved mid-way through
    // drawing another image.
    app.s.ftype = settype::julia;
    app.s.jxmin = -1.0;
    app.s.jxmax = 0.5;
    app.s.jymin = -0.5;
    app.s.jymax = 1.0;
    app.s.jcx = -0.75;
    app.s.jcy = 0.11;
    app.s.outside = outside::smoothing;
    app.s.maxiter = 100;
    app.s.palette[5] = {1, 2, 3};
    host.files = {at("j.vtl")};
    key('P');
    // The same view kept in a PNG image saved by the window.
    host.files = {at("j.png")};
    key('S');

    for (const char* file : {"j.vtl", "j.png"}) {
        Explorer menu;
        menu.openplain();
        menu.turn(Message::key(key::f1));
        for (int n = 0; n < 50; ++n) menu.turn(Message::of(MessageType::wake));
        menu.turn(Message::key(key::pause));
        menu.host.files = {at(file)};
        menu.key('L');
        EXPECT_EQ(menu.app.s.okfractal, 0);  // loading draws nothing by itself
        menu.command(cmd::plot);

        Explorer started;
        started.app.s.ovtltemp = std::string(1, '"').append(at(file)).append(1, '"');
        started.open();
        EXPECT_EQ(started.app.s.xmin, -1.0) << file;
        EXPECT_EQ(menu.app.s.xmin, -1.0) << file;
        EXPECT_EQ(menu.app.g_vhdc, started.app.g_vhdc) << file;
    }
}

}  // namespace
}  // namespace vantrel
