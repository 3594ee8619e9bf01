#pragma once

#include <array>
#include <string_view>

#include "platform/rect.h"

namespace vantrel {

// What a window procedure is asked to handle. The host turns window-system events
// into these; the program posts some to itself.
enum class MessageType {
    none,
    create,     // the window exists and is not shown yet
    destroy,    // the window goes; the main window then ends the program
    close,      // the close box of the caption
    move,       // the window moved
    size,       // the client area changed size
    paint,      // `rect` of the client area must be drawn again
    command,    // menu item or accelerator: `id`
    key,        // key down: `id` is the key code
    mousemove,  // `x`, `y` in client pixels
    lbuttondown,
    lbuttonup,
    rbuttondown,
    // The middle button, with `x`, `y` as for the others; the wheel turned by
    // `delta` at `time`, under the pointer at `x`, `y`.
    mbuttondown,
    mbuttonup,
    wheel,
    wake,    // nothing to do; keeps an idle loop turning
    dialog,  // a dialog's message to itself, to show a validation error
    quit,    // ends the loop with exit code `id`
};

struct Message {
    MessageType type = MessageType::none;
    int window = 0;  // 0 the main window, otherwise the id of a popup window
    int id = 0;      // command id, key code or exit code
    bool alt = false, ctrl = false, shift = false;  // modifiers held with a key
    int x = 0, y = 0;                               // mouse position in client pixels
    Rect rect{};                                    // paint: the area to draw
    // wheel: the angle turned in eighths of a degree, 120 a notch of a common
    // mouse, positive away from the user; trackpads send fractions of a notch.
    int delta = 0;
    long long time = 0;  // wheel: when it turned, in milliseconds of any fixed clock

    static Message command(int id) { return {MessageType::command, 0, id}; }
    static Message key(int code, bool alt = false) {
        Message m{MessageType::key, 0, code};
        m.alt = alt;
        return m;
    }
    static Message mouse(MessageType t, int x, int y) {
        Message m{t};
        m.x = x;
        m.y = y;
        return m;
    }
    static Message wheel(int x, int y, int delta, long long time) {
        Message m = mouse(MessageType::wheel, x, y);
        m.delta = delta;
        m.time = time;
        return m;
    }
    static Message of(MessageType t, int window = 0) { return {t, window}; }
    static Message quitcode(int code) { return {MessageType::quit, 0, code}; }
};

// Key codes: letters and digits are their upper-case characters, the rest keep the
// values Windows gives them.
namespace key {
constexpr int back = 0x08, enter = 0x0D, pause = 0x13, escape = 0x1B, space = 0x20;
constexpr int left = 0x25, up = 0x26, right = 0x27, down = 0x28;
constexpr int plus = 0xBB, minus = 0xBD;  // on the main keyboard or the keypad
constexpr int f1 = 0x70, f2 = 0x71, f3 = 0x72, f4 = 0x73, f5 = 0x74, f6 = 0x75, f7 = 0x76,
              f8 = 0x77, f9 = 0x78, f10 = 0x79, f11 = 0x7A, f12 = 0x7B;
}  // namespace key

// Command ids of the menu and the accelerators.
namespace cmd {
constexpr int firstimage = 100, loadparams = 102, saveimage = 105, saveparams = 108, exit = 110,
              plot = 115, fractaltype = 120, parameters = 125, mapfile = 130, defaultpalette = 135,
              greypalette = 140, method = 145, outsidecoloring = 150, insidecoloring = 155,
              rays = 160, period = 165, colors = 170, background = 175, help = 180, about = 185;
// Anti-aliasing with n x n samples a pixel, n = 1 .. 4: antialias + n.
constexpr int antialias = 190;
}  // namespace cmd

// The accelerators: plain keys, no modifier held, each standing for a command.
struct Accelerator {
    int key;
    int command;
};
inline constexpr std::array<Accelerator, 16> accelerators{{
    {'L', cmd::loadparams},
    {'S', cmd::saveimage},
    {'P', cmd::saveparams},
    {key::escape, cmd::exit},
    {key::f1, cmd::plot},
    {key::f4, cmd::fractaltype},
    {key::f5, cmd::parameters},
    {'M', cmd::mapfile},
    {'D', cmd::defaultpalette},
    {'G', cmd::greypalette},
    {key::f6, cmd::method},
    {key::f7, cmd::outsidecoloring},
    {key::f8, cmd::insidecoloring},
    {key::f9, cmd::rays},
    {key::f2, cmd::help},
    {key::f3, cmd::about},
}};

// Turns a key message of the main window that is an accelerator into its command.
// Returns true when it did.
inline bool translateaccelerator(Message& m) {
    if (m.type != MessageType::key || m.window != 0 || m.alt || m.ctrl || m.shift) return false;
    for (const Accelerator& a : accelerators) {
        if (a.key == m.id) {
            m = Message::command(a.command);
            return true;
        }
    }
    return false;
}

// The menu bar, as the window system should build it: a bar of entries, each a
// command of its own or a popup of items; popups may hold popups one level deep.
struct MenuItem {
    std::string_view caption;
    int command;  // 0 for a popup
    int level;    // 0 on the bar, 1 in a popup of the bar, 2 in a popup of a popup
    // Items of a choice: the runs of items with `choice` set are checked one at a
    // time, the first of each run at the start.
    bool choice = false;
};
inline constexpr std::array<MenuItem, 26> menu{{
    {"File   ", 0, 0},
    {"Load Parameter File (L)", cmd::loadparams, 1},
    {"Save Image and Parameters (S)", cmd::saveimage, 1},
    {"Save Parameters Only (P)", cmd::saveparams, 1},
    {"Exit (Esc)", cmd::exit, 1},
    {"Plot Fractal (F1)   ", cmd::plot, 0},
    {"Options   ", 0, 0},
    {"Fractal Type (F4)   ", cmd::fractaltype, 1},
    {"Parameters (F5)   ", cmd::parameters, 1},
    {"Palette", 0, 1},
    {"MAP File (M)", cmd::mapfile, 2},
    {"Default Palette (D)", cmd::defaultpalette, 2},
    {"Greyscale Palette (G)", cmd::greypalette, 2},
    {"Coloring", 0, 1},
    {"Method (F6)", cmd::method, 2},
    {"Outside Coloring (F7)", cmd::outsidecoloring, 2},
    {"Inside Coloring (F8)", cmd::insidecoloring, 2},
    {"External Rays (F9)", cmd::rays, 1},
    {"Anti-aliasing", 0, 1},
    {"1", cmd::antialias + 1, 2, true},
    {"2", cmd::antialias + 2, 2, true},
    {"3", cmd::antialias + 3, 2, true},
    {"4", cmd::antialias + 4, 2, true},
    {"Help", 0, 0},
    {"Help Topics (F2)", cmd::help, 1},
    {"About (F3)", cmd::about, 1},
}};

}  // namespace vantrel
