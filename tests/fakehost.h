#pragma once

#include <deque>
#include <string>
#include <vector>

#include "platform/host.h"

namespace vantrel {

// Records every call a procedure makes of its host.
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

    void statustext(int part, const std::string& text) override { status.push_back({part, text}); }
    Cursor setcursor(Cursor c) override {
        cursors.push_back(c);
        const Cursor old = cursor;
        cursor = c;
        return old;
    }
    void setpointer(int x, int y) override { pointer.emplace_back(x, y); }
    void present(const Rect& r) override { presented.push_back(r); }
    void enablewindow(bool on) override { enabled.push_back(on); }
    void pause(int milliseconds) override { pauses.push_back(milliseconds); }
    int messagebox(const std::string& text, const std::string& title, Icon icon, bool owned,
                   Buttons buttons) override {
        boxes.push_back({text, title, icon, owned, buttons});
        if (answers.empty()) return IDOK;
        const int a = answers.front();
        answers.pop_front();
        return a;
    }

    std::string laststatus(int part) const {
        for (auto it = status.rbegin(); it != status.rend(); ++it)
            if (it->part == part) return it->text;
        return {};
    }
};

}  // namespace vantrel
