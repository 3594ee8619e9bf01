#include <cstdio>
#include <string>

#include "shell/splash.h"
#include "state/history.h"
#include "state/placeview.h"
#include "ui/window.h"

namespace vantrel {

namespace {

void inform(App& app, const std::string& text, const std::string& title) {
    app.host.messagebox(text, title, Icon::information, false);
}

void draw(State& s) {
    s.j = 0;
    s.okfractal = 1;
}

// Orbit tracing draws the Mandelbrot set over a fixed square with a few
// iterations, so that the orbits of clicked points stand out against it.
void orbitmode(App& app) {
    State& s = app.s;
    if (s.okorbits == 0) {
        app.g_ohdc = Surface(s.xres, s.yres);
        s.okorbits = 1;
        app.mainwin.ftypesave = s.ftype;
        s.ftype = settype::mandelbrot;
        // The history keeps a deep view, and leaving the mode brings it back.
        if (deepactive(s)) s.deep.on = false;
        s.outside = outside::orbittracing;
        s.inside = inside::orbittracing;
        s.xmin = s.ymin = s.mxmin = s.mymin = -2.25;
        s.xmax = s.ymax = s.mxmax = s.mymax = 2.25;
        s.maxiter = 32;
        s.maxsize = 2.0;
        status(app, 1, " ");
        inform(app,
               "Press \"O\" again to exit\n   orbit tracing mode.\n\nRight-click any point\n"
               "   to trace its orbit.\n\nPress \"K\" to toggle\n   line-drawing mode",
               "Orbit Tracing");
        draw(s);
    } else {
        app.g_ohdc = Surface();
        s.okorbits = 0;
        s.ftype = app.mainwin.ftypesave;
        LoadParams(app);
        draw(s);
    }
}

void eschermode(App& app) {
    State& s = app.s;
    if (s.okescher == 0) {
        s.okescher = 1;
        app.mainwin.ftypesave = s.ftype;
        status(app, 1, " ");
        inform(app, "Press \"E\" again to exit\n   Escher-Julia mode.", "Escher-Julia");
    } else {
        s.okescher = 0;
        s.ftype = app.mainwin.ftypesave;
        LoadParams(app);
    }
    draw(s);
}

void inversionmode(App& app) {
    State& s = app.s;
    if (s.okinvert == 0) {
        s.okinvert = 1;
        inform(app, "Press \"I\" again to exit\n   inversion mode.", "Inversion Mode");
    } else {
        s.okinvert = 0;
        inform(app, "Inversion mode off.", "Inversion Mode");
    }
    draw(s);
}

void tiavariant(App& app) {
    State& s = app.s;
    static constexpr const char* names[tiaalgorithm::count] = {
        "TIA algorithm: KX", "TIA algorithm: Damien Jones", "TIA algorithm: Kerry Mitchell"};
    s.tiaflag = (s.tiaflag + 1) % tiaalgorithm::count;
    if (s.okinvert) {
        // The other two variants square the escape radius, which inversion's
        // far-away points overflow.
        s.tiaflag = tiaalgorithm::kx;
        inform(app, "KX algorithm required\n   for inversion mode.", "TIA");
    } else {
        inform(app, names[s.tiaflag], "TIA");
    }
}

// A mode switched on over a deep view, where it cannot mean anything, is
// refused with the reason.
bool refusedatdepth(App& app, int State::*mode) {
    State& s = app.s;
    if (!deepactive(s) || s.*mode) return false;
    State with = s;
    with.*mode = 1;
    const char* why = deepmoderefusal(with);
    if (!why) return false;
    app.host.messagebox(why, "Deep view", Icon::information, false);
    return true;
}

const char* const helpfailure =
    "Unable to open the help file:\n\n      Vantrel.hlp\n\nThe contents of the file can\n"
    "   be found in the PDF file:\n\n      KX Vantrel.pdf\n\nMicrosoft stopped supporting\n"
    "   the HLP format after XP.\n   You might be able to find\n   a version of WinHlp32.exe\n"
    "   that works on your system\n   at the Microsoft Web site.";

}  // namespace

void command(App& app, int id) {
    State& s = app.s;
    // The anti-aliasing choice is taken by the next image drawn, so it is taken at
    // any time, the menu's check mark always telling the truth.
    if (id > cmd::antialias && id <= cmd::antialias + 4) {
        app.driver.aa = id - cmd::antialias;
        return;
    }
    if (s.okfractal) return;

    const bool preview = s.okjulia == juliapreview::shown;
    const bool orbits = s.okorbits != 0, escher = s.okescher != 0, invert = s.okinvert != 0;
    bool refused = false;
    switch (id) {
        case cmd::loadparams:
        case cmd::saveimage:
        case cmd::saveparams:
        case cmd::plot:
        case cmd::parameters:
            refused = preview;
            break;
        case cmd::fractaltype:
        case cmd::method:
        case cmd::outsidecoloring:
        case cmd::insidecoloring:
            refused = preview || orbits || escher;
            break;
        case cmd::rays:
            refused = preview || orbits || escher || invert;
            break;
        case cmd::mapfile:
        case cmd::defaultpalette:
        case cmd::greypalette:
        case cmd::period:
        case cmd::colors:
        case cmd::background:
            refused = preview || orbits;
            break;
        default:
            break;
    }
    if (refused) return;

    switch (id) {
        case cmd::firstimage:
            s.okfirstimage = 1;
            break;
        case cmd::exit:
            app.post(Message::of(MessageType::destroy));
            break;
        case cmd::plot:
            s.okfractal = 1;  // j stays: a paused image resumes at its row
            break;
        case cmd::defaultpalette:
            s.palette = defpalette();
            inform(app, "Default palette loaded.", "Default Palette");
            break;
        case cmd::greypalette:
            for (int i = 0; i < 256; ++i) {
                const auto v = static_cast<unsigned char>(i);
                s.palette[i] = {v, v, v};
            }
            inform(app, "Greyscale palette loaded.", "Greyscale");
            break;
        case cmd::help:
            if (!app.host.showhelp(s.helppath))
                app.host.messagebox(helpfailure, "KX Tessamor", Icon::information, false);
            break;
        case cmd::about:
            CreateAboutWindow(app);
            break;
        case cmd::loadparams:
        case cmd::saveimage:
        case cmd::saveparams:
        case cmd::fractaltype:
        case cmd::parameters:
        case cmd::mapfile:
        case cmd::method:
        case cmd::outsidecoloring:
        case cmd::insidecoloring:
        case cmd::rays:
        case cmd::period:
        case cmd::colors:
        case cmd::background:
            dialogcommand(app, id);
            break;
        default:
            break;
    }
}

void keydown(App& app, const Message& m) {
    State& s = app.s;
    // The keys that move the view, like the wheel, restart an image being drawn.
    if (navigatekey(app, m.id)) return;
    if (s.okfractal) {
        // Drawing stops after this row; j keeps the next one for "Plot Fractal".
        if (m.id == key::pause) s.okfractal = 0;
        return;
    }
    if (viewkey(app, m.id)) return;

    const bool preview = s.okjulia == juliapreview::shown;
    switch (m.id) {
        case 'O':
            if (!preview && !s.okescher && !s.okinvert) orbitmode(app);
            break;
        case 'K':
            if (s.okorbits) {
                s.oklines = 1 - s.oklines;
                inform(app, s.oklines ? "connecting line mode on" : "connecting line mode off",
                       "Orbit Tracing");
            }
            break;
        case 'E':
            if (!preview && !s.okorbits && !s.okinvert && !refusedatdepth(app, &State::okescher))
                eschermode(app);
            break;
        case 'I':
            if (!preview && !s.okescher && !s.okorbits && !refusedatdepth(app, &State::okinvert))
                inversionmode(app);
            break;
        case 'T':
            if (!preview && !s.okorbits && !s.okescher && tiasums(s.outside, s.inside))
                tiavariant(app);
            break;
        case 'M':
            if (m.alt) {
                s.palpreview = 1 - s.palpreview;
                inform(app, s.palpreview ? "Palette preview enabled." : "Palette preview disabled.",
                       "Preview");
            }
            break;
        default:
            break;
    }
}

}  // namespace vantrel
