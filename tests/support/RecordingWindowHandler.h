#pragma once

#include <algorithm>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "platform/DeviceContext.h"
#include "platform/MainWindow.h"

namespace tw::test {

// Writes down every message of a main window as a line ("key 37",
// "erase 640x400"). Erasing fills the client area with `background`; sizing
// keeps the window at least `minimum` large, as the game does.
class RecordingWindowHandler : public WindowHandler {
public:
    void OnSetFocus() override { Log("setfocus"); }
    void OnKillFocus() override { Log("killfocus"); }
    bool OnEraseBackground(DeviceContext& dc) override
    {
        const Rect box = dc.ClipBox();
        Log("erase " + std::to_string(box.Width()) + "x" + std::to_string(box.Height()));
        dc.FillRect(box, background);
        return true;
    }
    void OnPaint(DeviceContext&) override { Log("paint"); }
    void OnClose() override { Log("close"); }
    void OnEndSession() override { Log("endsession"); }
    void OnDestroy() override { Log("destroy"); }
    bool OnKeyDown(int virtualKey) override { return Log("key " + std::to_string(virtualKey)), true; }
    bool OnCommand(int id) override
    {
        Log("command " + std::to_string(id));
        if (onCommand) {
            onCommand(id);
        }
        return true;
    }
    bool OnTimer(int id) override { return Log("timer " + std::to_string(id)), true; }
    void OnInitMenu() override { Log("initmenu"); }
    void OnMenuClosed() override { Log("menuclosed"); }
    void OnSizing(int, Rect& rect) override
    {
        rect.right = std::max(rect.right, rect.left + minimum.cx);
        rect.bottom = std::max(rect.bottom, rect.top + minimum.cy);
    }

    void Log(std::string line) { log.push_back(std::move(line)); }
    std::vector<std::string> Take() { return std::exchange(log, {}); }

    std::vector<std::string> log;
    ColorRef background = Rgb(0, 128, 0);
    Size minimum{629, 455};
    std::function<void(int)> onCommand;
};

} // namespace tw::test
