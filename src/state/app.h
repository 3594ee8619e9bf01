#pragma once

#include <algorithm>
#include <chrono>
#include <deque>
#include <functional>
#include <memory>

#include "platform/host.h"
#include "platform/message.h"
#include "platform/surface.h"
#include "state/state.h"

namespace vantrel {

class RowEngine;
struct DeepImage;
class DeepTask;

// The one program: its state, its surfaces, its host and the statics of its procedures.
struct App {
    explicit App(Host& h) : host(h) {}
    App(const App&) = delete;
    App& operator=(const App&) = delete;

    State s;
    Host& host;

    Surface g_vhdc;  // the image, xres x yres
    Surface g_ohdc;  // clean copy of the image for orbit tracing
    Surface g_jhdc;  // what the Julia preview covers
    Surface g_phdc;  // what the palette preview covers
    Surface window;  // the client area less the status bar, shown 1:1

    // Statics of the render driver.
    struct Driver {
        double il = 0, lpsm = 0, lptia = 0;
        int insidesave = inside::solidcolor;
        // The cursor shown before the image began; every row call sets the wait
        // cursor, so the one a call replaces is usually the wait cursor itself.
        Cursor cursorsave = Cursor::arrow;
        // Set-up has replaced `inside` (band decomposition) and completion has not
        // yet put it back; a restart puts it back before a new set-up.
        bool insidepending = false;
        // The window and the view surface show a preview of the coming image, the
        // last one resampled to its view: its set-up leaves them as they are instead
        // of clearing them, and its rows replace the preview as they arrive.
        bool keeppreview = false;
        // The image being drawn began with such a preview, under a pointer the user
        // is zooming or dragging at: its completion leaves the pointer where it is.
        bool pointerstays = false;

        // How rows are computed: `threads` workers ahead of the driver (-1: one per
        // core, or VANTREL_THREADS), vector lanes on or off (-1: on unless
        // VANTREL_SIMD=0). Every choice gives the same pixels; only the time differs.
        int threads = -1;
        int simd = -1;
        // Anti-aliasing, samples per pixel side: as chosen for the images to come, and
        // as the image being drawn took it at its set-up.
        static constexpr int maxaa = 8;
        int aa = 1;
        int imageaa = 1;
        // An image's set-up takes the choice.
        void takeaa() { imageaa = std::clamp(aa, 1, maxaa); }
        std::shared_ptr<RowEngine> engine;
        // How long one driver call may wait for a row the workers are still
        // computing before it returns to the event loop (0: until the row is there).
        std::chrono::milliseconds rowbudget{0};
        // A deep image's reference orbits: being computed off this thread, then ready.
        std::shared_ptr<DeepTask> deeptask;
        std::shared_ptr<const DeepImage> deepimage;
        // The latest deep image, kept for the next ones: a view panned or zoomed
        // within the reach of its reference orbits is drawn from them (and from
        // their approximations) without computing its own.
        std::shared_ptr<const DeepImage> deepprevious;
        // Where a deep image that computes its own reference orbits starts them,
        // where this is on and reaches its view: the frames of a movie share the
        // orbits of the first of a run of them, whichever frame a run begins with.
        DeepView deepfrom;
        // Reference orbits that take longer than this show their progress in the
        // status bar (`progress`, empty while none is shown) until they are ready.
        std::chrono::milliseconds progressdelay{500};
        std::string progress;
        // Where each finished row goes when no image is kept (the batch renderer
        // streams rows to a file, so that an image of any size fits in memory): the
        // view surface then holds only the row being drawn. Empty: the window's way,
        // the whole image in the view surface.
        std::function<void(int j, const Rgb* row)> rowsink;
    };
    Driver driver;

    // Statics of the first image.
    struct FirstImage {
        // Window and surface not yet cleared for the coming pass, the current
        // level, the number of levels of a pass.
        int first = 1;
        int k = 0;
        int kmax = 11;
        // What the pass under way is drawing, to tell a resumed pass from one whose
        // picture has changed in between.
        struct Pass {
            int ftype = settype::mandelbrot;
            double xmin = 0, xmax = 0, ymin = 0, ymax = 0, jcx = 0, jcy = 0;
            int xres = 0, yres = 0;
            bool operator==(const Pass&) const = default;
        };
        Pass pass{};
        // The opening animation ends by drawing the image of the parameter file the
        // program was started with.
        bool plotafter = false;
    };
    FirstImage firstimg;

    // Statics of the main window procedure.
    struct MainWindow {
        double cxm = 0, cym = 0;            // the plane point under the pointer
        int startxpos = 0, startypos = 0;   // where the zoom box drag began
        int nextxpos = 0, nextypos = 0;     // the latest pointer position of the drag
        Rect zoombox{};                     // the box of the drag, left <= right, top <= bottom
        Rect framezoombox{}, oldzoombox{};  // the frame to draw, the frame drawn last
        int width = 0, height = 0;          // the area that erases the last frame
        int erasebox = 0;                   // a frame of this drag is on the window
        int ftypesave = 0;  // set type to go back to after orbit or Escher-Julia mode

        // The wheel, the middle-button drag and the arrow and +/- keys.
        int pointerxpos = -1, pointerypos = -1;  // the latest pointer position, -1 none yet
        int wheelrest = 0;             // turned so far towards the next notch, in wheel units
        long long lastnotch = 0;       // when the latest notch zoomed, in milliseconds
        int gestureftype = 0;          // the set type and the history entry of the latest
        int gestureentry = -1;         // wheel gesture, -1 when it made none
        int panning = 0;               // the middle button drags the picture
        int panxpos = 0, panypos = 0;  // where that drag began
        int panresume = 0;             // the image was being drawn when the drag began
    };
    MainWindow mainwin;

    // The main window's procedure, given when its kind of window is registered, and
    // the About window with its picture while it is open (0 when closed).
    using WindowProc = int (*)(App&, const Message&);
    WindowProc mainwindowproc = nullptr;
    int g_hAboutwnd = 0;
    Surface g_vabouthdc;

    // Messages the program posted to its own windows, oldest first, and the exit
    // code of the quit message that ended the loop.
    std::deque<Message> posted;
    int exitcode = 0;
    void post(const Message& m) { posted.push_back(m); }
};

}  // namespace vantrel
