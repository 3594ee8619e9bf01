#pragma once

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "platform/rect.h"

namespace vantrel {

// A modal dialog as data: what a host needs to build a real window from it, and
// the texts and checks that pass between that window and the dialog's own logic.
// Nothing here knows about the program's state; the dialogs bind that in.

// Results of a modal dialog, with their Win32 values.
constexpr int dialogok = 1, dialogcancel = 2;

enum class ControlKind {
    edit,    // a single-line text field, its label to its left
    radio,   // one button of a radio group; the buttons of a group share `group`
    group,   // a group box framing other controls, with an optional caption
    text,    // a static text, possibly of several lines
    button,  // a push button: OK or Cancel
};

// Identifier of controls nobody refers to (static texts).
constexpr int nocontrol = -1;

struct DialogControl {
    ControlKind kind;
    int id;            // unique within the dialog; `nocontrol` for a static text
    std::string text;  // caption of a radio button, group box or button; label of an
                       // edit field; the text itself of a static text
    int group = 0;     // id of the group box the control stands in, 0 for the dialog
    Rect box{};        // where it stands, in dialog units (a quarter of the average
                       // character width across, an eighth of the font height down)
    Rect labelbox{};   // an edit field's label, in dialog units; empty otherwise
};

struct DialogTable {
    int id;                               // template number, also how the program names the dialog
    std::string title;                    // exactly as shown, leading blanks included
    int width, height;                    // in dialog units
    std::string font;                     // the face the layout was measured in
    std::string errortitle;               // title of the box that reports a refused field
    std::vector<DialogControl> controls;  // in tab order
    int okid = dialogok;
    int cancelid = dialogcancel;

    const DialogControl* find(int id) const {
        for (const auto& c : controls)
            if (c.id == id) return &c;
        return nullptr;
    }
};

// What the user sees in the controls: edit texts and radio checks by control id.
struct DialogFields {
    std::map<int, std::string> text;
    std::map<int, bool> checked;

    std::string gettext(int id) const {
        auto it = text.find(id);
        return it == text.end() ? std::string() : it->second;
    }
    bool ischecked(int id) const {
        auto it = checked.find(id);
        return it != checked.end() && it->second;
    }
    // Checks `id` and clears every other button from `first` to `last`; an `id`
    // outside the range leaves them all clear.
    void checkradio(int first, int last, int id) {
        for (int b = first; b <= last; ++b) checked[b] = b == id;
    }
    // Index of the first checked button from `first` to `last`, or -1 when none is.
    int firstchecked(int first, int last) const {
        for (int b = first; b <= last; ++b)
            if (ischecked(b)) return b - first;
        return -1;
    }
};

// An information box without owner to show before the dialog closes.
struct DialogNotice {
    std::string text;
    std::string title;
};

// The verdict of OK. When `error` is not -1 the dialog stays open: the host shows
// `message` in an exclamation box owned by the dialog and titled with the table's
// `errortitle`, then puts the keyboard focus on `focus` (when it is not 0) with
// its text selected. Otherwise the host shows the notices in order and closes the
// dialog with `dialogok`.
struct DialogCheck {
    int error = -1;
    std::string message;
    int focus = 0;
    std::vector<DialogNotice> notices;

    bool accepted() const { return error < 0; }
};

// A dialog ready to be shown: its table, the fields as they open, and OK.
// A host runs it like this: build the window from `table`, fill it from `fields`,
// and on OK copy the controls back into `fields` and call `ok`; on Cancel (or the
// close box) end with `dialogcancel` at once, calling nothing.
struct BoundDialog {
    const DialogTable* table;
    DialogFields fields;
    std::function<DialogCheck(const DialogFields&)> ok;
};

}  // namespace vantrel
