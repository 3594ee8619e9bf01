#include "ui/filecommands.h"

#include <string>

#include "files/png.h"
#include "files/tga.h"
#include "files/vtl.h"
#include "ui/mainwindow.h"
#include "ui/palpreview.h"

namespace vantrel {

namespace {

void inform(App& app, const std::string& text, const std::string& title) {
    app.host.messagebox(text, title, Icon::information, false);
}

void fail(App& app, const std::string& text, const std::string& title) {
    app.host.messagebox(text, title, Icon::exclamation, true);
}

// The message after a parameter file was written, or its error.
void reportparams(App& app, int r) {
    if (r != 0) {
        fail(app, saveerror[r - 1], "Save file error");
        return;
    }
    inform(app,
           "Parameters saved as " + app.s.svtlfiletitle +
               "\n\nLoad via ' File ' menu or by double-clicking.",
           "Parameters");
}

}  // namespace

bool choosefile(App& app, const FileRecord& r, const std::vector<FileChoice::Filter>& more) {
    State& s = app.s;
    FileChoice f{r.title, {{r.filtername, r.pattern}}, r.defext, s.*r.file, {}};
    f.filters.insert(f.filters.end(), more.begin(), more.end());
    const bool chosen = r.mode == FileRecord::save ? app.host.savefile(f) : app.host.openfile(f);
    if (!chosen) return false;
    s.*r.file = f.path;
    s.*r.filetitle = f.name;
    return true;
}

void redrawnow(App& app) {
    Message paint = Message::of(MessageType::paint);
    paint.rect = app.s.ClientRes;
    MainWindowProc(app, paint);
}

void loadparamfile(App& app) {
    State& s = app.s;
    if (!choosefile(app, ovtln,
                    {{"Vantrel text parameter files (*.vantrel)", "*.vantrel"},
                     {"PNG images saved by Vantrel (*.png)", "*.png"}}))
        return;
    redrawnow(app);
    std::string why;
    if (loadvtl(app, &why) != 0) {
        fail(app, why.empty() ? "Error opening VTL file" : why, "VTL file error");
        return;
    }
    adoptloadedmodes(app);
    // A paused image would otherwise resume with the file's settings on its
    // remaining rows; the next plot draws the file's view from the top instead,
    // the same image the file gives when the program is started with it.
    s.j = 0;
    inform(app, "Parameter file  " + s.ovtlfiletitle + "  loaded.", "Parameters");
}

void saveimagefile(App& app) {
    State& s = app.s;
    if (!choosefile(app, stgan, {{"PNG files (*.png)", "*.png"}})) return;
    redrawnow(app);
    int r = 0;
    if (pngname(s.tgafile)) {
        const Cursor previous = app.host.setcursor(Cursor::wait);
        r = writepng(app.g_vhdc, s.tgafile, paramtext(s));
        app.host.setcursor(previous);
    } else {
        r = writetga(app, app.g_vhdc);
    }
    if (r != 0) {
        fail(app, saveerror[r - 1], "Save file error");
        return;
    }
    inform(app, "Image saved as " + s.tgafiletitle, "Save Image");
    reportparams(app, writevtl(app, 1));
}

void saveparamfile(App& app) {
    if (!choosefile(app, svtln)) return;
    redrawnow(app);
    reportparams(app, writevtl(app, 0));
}

void loadmapfile(App& app) {
    State& s = app.s;
    if (!choosefile(app, omapn)) return;
    redrawnow(app);
    if (OpenMapFile(s) != 0) {
        fail(app, "Error opening MAP file", "MAP file error");
        return;
    }
    if (s.palpreview) {
        savepreviewcorner(app);
        showpalette(app);
        const int answer =
            app.host.messagebox("Accept palette?\n\n( Toggle this option with ALT + M )", "Preview",
                                Icon::information, false, Buttons::yesno);
        restorepreviewcorner(app);
        if (answer == IDNO) {
            // Another file, perhaps: the open dialog comes back.
            app.post(Message::command(cmd::mapfile));
            return;
        }
    }
    s.palette = s.paltemp;
}

}  // namespace vantrel
