#pragma once

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

    std::string laststatus(int part) const {
        for (auto it = status.rbegin(); it != status.rend(); ++it)
            if (it->part == part) return it->text;
        return {};
    }
};

}  // namespace vantrel
