#pragma once

#include <algorithm>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "platform/DeviceContext.h"
#include "platform/MainWindow.h"

namespace tw::test {

using Log = std::vector<std::string>;

// Writes down every message of a main window as a line ("key 37",
// "erase 640x400"). Erasing fills the client area with `background`, painting
// fills `board` red, and sizing keeps the window at least `minimum` large, as
// the game does.
class RecordingWindowHandler : public WindowHandler {
public:
    void OnSetFocus() override { Note("setfocus"); }
    void OnKillFocus() override { Note("killfocus"); }
    bool OnEraseBackground(DeviceContext& dc) override
    {
        const Rect box = dc.ClipBox();
        Note("erase " + std::to_string(box.Width()) + "x" + std::to_string(box.Height()));
        dc.FillRect(box, background);
        return true;
    }
    void OnPaint(DeviceContext& dc) override
    {
        Note("paint");
        dc.FillRect(board, Rgb(255, 0, 0));
    }
    void OnClose() override { Note("close"); }
    void OnEndSession() override { Note("endsession"); }
    void OnDestroy() override { Note("destroy"); }
    bool OnKeyDown(int virtualKey) override { return Note("key " + std::to_string(virtualKey)), true; }
    bool OnCommand(int id) override
    {
        Note("command " + std::to_string(id));
        if (onCommand) {
            onCommand(id);
        }
        return true;
    }
    bool OnTimer(int id) override { return Note("timer " + std::to_string(id)), true; }
    void OnInitMenu() override { Note("initmenu"); }
    void OnMenuClosed() override { Note("menuclosed"); }
    void OnSizing(int, Rect& rect) override
    {
        rect.right = std::max(rect.right, rect.left + minimum.cx);
        rect.bottom = std::max(rect.bottom, rect.top + minimum.cy);
    }
    Size LeastSize() const override { return minimum; }

    void Note(std::string line) { log.push_back(std::move(line)); }
    Log Take() { return std::exchange(log, {}); }

    Log log;
    ColorRef background = Rgb(0, 128, 0);
    Size minimum{629, 455};
    Rect board;
    std::function<void(int)> onCommand;
};

} // namespace tw::test
