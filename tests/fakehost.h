#pragma once

#include <deque>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "platform/host.h"

namespace vantrel {

// Records every call a procedure makes of its host, and answers from a script:
// input messages, message-box answers, the screen and what the host can make.
class FakeHost : public Host {
  public:
    struct Status {
        int part;
        std::string text;
    };
    std::vector<Status> status;
    std::vector<Cursor> cursors;  // every cursor set, in order
    Cursor cursor = Cursor::arrow;
    std::vector<std::pair<int, int>> pointer;
    std::vector<Rect> presented;
    std::vector<bool> enabled;
    std::vector<int> pauses;
    struct Box {
        std::string text, title;
        Icon icon;
        bool owned;
        Buttons buttons;
    };
    std::vector<Box> boxes;
    std::deque<int> answers;  // answers for the next message boxes; IDOK when empty

    // The order of the window-level calls, one word each ("open 1", "pause 2000",
    // "cursor off", "enable 0", "box Error", ...), for checks of sequence.
    std::vector<std::string> log;

    // Input, taken one message per turn.
    std::deque<Message> input;
    int turns = 0;
    int maxturns = 1000000;  // a loop that never ends fails instead of hanging

    // The screen and the main window.
    int xscreen = 1920, yscreen = 1080, depth = 24;
    std::set<std::string> unregistrable;  // kinds of window this host refuses
    std::vector<std::string> registered;
    bool cancreate = true;
    std::string caption;
    Rect frame{};
    Rect client{0, 0, 1904, 990};  // the client area, status bar included
    int statusheight = 20;
    std::pair<int, int> statusedges{};
    std::vector<bool> shown;  // showmainwindow calls
    int cursorcount = 0;      // below 0 the pointer is hidden

    // Picture windows by id.
    struct Popup {
        Rect frame;
        Surface picture;
        bool open = true;
        int draws = 0;
    };
    std::map<int, Popup> popups;
    bool canpopup = true;
    std::vector<std::string> letters;  // every text lettered

    // Dialogs. Each press is one OK (after typing its texts and checking its radio
    // buttons) or one Cancel; a dialog with no press left is cancelled.
    struct Press {
        std::map<int, std::string> text;
        std::vector<int> check;  // radio buttons to check, each clearing its group
        bool cancel = false;
    };
    std::deque<Press> presses;
    std::vector<int> dialogs;          // template ids of every dialog run
    std::vector<DialogFields> opened;  // the fields as each dialog opened
    std::vector<int> focus;            // the field focused after each refusal

    // File dialogs: each answer is the chosen path, or "" to cancel; a dialog
    // with no answer left is cancelled. The name is the path's last part.
    std::deque<std::string> files;
    std::vector<FileChoice> choices;  // every file dialog as it was asked for

    // Help.
    bool helpworks = true;
    std::vector<std::string> helpshown;
    int helpclosed = 0;

    void statustext(int part, const std::string& text) override { status.push_back({part, text}); }
    Cursor setcursor(Cursor c) override {
        cursors.push_back(c);
        const Cursor old = cursor;
        cursor = c;
        return old;
    }
    void setpointer(int x, int y) override { pointer.emplace_back(x, y); }
    void present(const Rect& r) override { presented.push_back(r); }
    void enablewindow(bool on) override {
        enabled.push_back(on);
        log.push_back(on ? "enable 1" : "enable 0");
    }
    void pause(int milliseconds) override {
        pauses.push_back(milliseconds);
        log.push_back("pause " + std::to_string(milliseconds));
    }
    int messagebox(const std::string& text, const std::string& title, Icon icon, bool owned,
                   Buttons buttons) override {
        boxes.push_back({text, title, icon, owned, buttons});
        log.push_back("box " + title);
        if (answers.empty()) return IDOK;
        const int a = answers.front();
        answers.pop_front();
        return a;
    }

    int rundialog(BoundDialog& d) override {
        dialogs.push_back(d.table->id);
        opened.push_back(d.fields);
        log.push_back("dialog " + std::to_string(d.table->id));
        while (!presses.empty()) {
            const Press p = presses.front();
            presses.pop_front();
            if (p.cancel) return dialogcancel;
            for (const auto& [id, text] : p.text) d.fields.text[id] = text;
            for (int id : p.check) {
                const DialogControl* c = d.table->find(id);
                if (c == nullptr) continue;
                for (const DialogControl& o : d.table->controls)
                    if (o.kind == ControlKind::radio && o.group == c->group)
                        d.fields.checked[o.id] = o.id == id;
            }
            const DialogCheck check = d.ok(d.fields);
            if (!check.accepted()) {
                messagebox(check.message, d.table->errortitle, Icon::exclamation, true,
                           Buttons::ok);
                focus.push_back(check.focus);
                continue;
            }
            for (const DialogNotice& n : check.notices)
                messagebox(n.text, n.title, Icon::information, false, Buttons::ok);
            return dialogok;
        }
        return dialogcancel;
    }
    bool openfile(FileChoice& f) override { return choose(f, "open "); }
    bool savefile(FileChoice& f) override { return choose(f, "save "); }

    bool getmessage(Message& m) override {
        if (input.empty()) return false;
        m = input.front();
        input.pop_front();
        return true;
    }
    // Turns until the quit message, or until nothing is drawn and no input is left.
    void runloop(const std::function<Turn()>& turn) override {
        while (turns < maxturns) {
            ++turns;
            const Turn t = turn();
            if (t == Turn::quit) return;
            if (t == Turn::idle && input.empty()) return;
        }
    }

    int screenwidth() override { return xscreen; }
    int screenheight() override { return yscreen; }
    int colordepth() override { return depth; }
    bool registerclass(const std::string& name) override {
        if (unregistrable.count(name)) return false;
        registered.push_back(name);
        return true;
    }
    bool createmainwindow(const std::string& text, const Rect& r) override {
        if (!cancreate) return false;
        caption = text;
        frame = r;
        log.push_back("create");
        return true;
    }
    Rect clientrect() override { return client; }
    Rect createstatusbar(int right0, int right1) override {
        statusedges = {right0, right1};
        log.push_back("statusbar");
        return {0, 0, client.right, statusheight};
    }
    void showmainwindow(bool on) override {
        shown.push_back(on);
        log.push_back(on ? "show" : "hide");
    }
    void showcursor(bool on) override {
        cursorcount += on ? 1 : -1;
        log.push_back(on ? "cursor on" : "cursor off");
    }

    int openpopup(const Rect& r) override {
        if (!canpopup) return 0;
        const int id = static_cast<int>(popups.size()) + 1;
        popups[id] = {r, Surface(), true, 0};
        log.push_back("open " + std::to_string(id));
        return id;
    }
    void drawpopup(int id, const Surface& picture) override {
        popups[id].picture = picture;
        popups[id].draws += 1;
        log.push_back("draw " + std::to_string(id));
    }
    void closepopup(int id) override {
        popups[id].open = false;
        log.push_back("close " + std::to_string(id));
    }
    void lettering(Surface&, const std::string& text, const Rect&, int, Rgb) override {
        letters.push_back(text);
    }

    std::string helpfile() override { return "help/vantrel.html"; }
    bool showhelp(const std::string& path) override {
        helpshown.push_back(path);
        return helpworks;
    }
    void closehelp() override { helpclosed += 1; }

    bool choose(FileChoice& f, const std::string& kind) {
        choices.push_back(f);
        log.push_back(kind + f.title);
        if (files.empty()) return false;
        const std::string path = files.front();
        files.pop_front();
        if (path.empty()) return false;
        f.path = path;
        const auto slash = path.find_last_of('/');
        f.name = slash == std::string::npos ? path : path.substr(slash + 1);
        return true;
    }

    std::string laststatus(int part) const {
        for (auto it = status.rbegin(); it != status.rend(); ++it)
            if (it->part == part) return it->text;
        return {};
    }
    int openpopups() const {
        int n = 0;
        for (const auto& [id, p] : popups) n += p.open ? 1 : 0;
        return n;
    }
};

}  // namespace vantrel
