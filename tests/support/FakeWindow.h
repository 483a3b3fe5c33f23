#pragma once

#include <deque>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "platform/MessageBox.h"
#include "platform/Window.h"
#include "support/FakeSurface.h"

namespace tw::test {

struct ShownMessage {
    std::string text;
    std::string caption;
    unsigned style = 0;
};

// A main window that remembers what it was asked to do. Sent commands go to
// `onCommand` at once; posted ones wait in `posted`.
class FakeWindow : public Window {
public:
    explicit FakeWindow(int width = 640, int height = 460, int scale = 1) : surface(width, height, scale) {}

    DialogResult ShowMessage(std::string_view text, std::string_view caption, unsigned style) override
    {
        messages.push_back({std::string(text), std::string(caption), style});
        if (onMessage) { onMessage(); }
        return answer;
    }

    Surface& ClientArea() override { return surface; }
    Rect GetClientRect() const override { return Rect::FromSize(0, 0, surface.image.Width(), surface.image.Height()); }

    void SetTimer(int id, int milliseconds) override { timers[id] = milliseconds; }
    void KillTimer(int id) override { timers.erase(id); }
    bool TimerRuns(int id) const { return timers.contains(id); }

    void SendCommand(int id) override
    {
        if (onCommand) { onCommand(id); }
    }
    void PostCommand(int id) override { posted.push_back(id); }

    void SetTitle(std::string_view text) override { title = text; }
    void Redraw() override {}
    void SetMinimumClientSize(Size size) override { minimumClient = size; }
    WindowPlacementState GetPlacement() const override { return placement; }
    void Show(bool maximized) override { placement.maximized = maximized; shown = true; }
    void Destroy() override { destroyed = true; }

    FakeSurface surface;
    std::vector<ShownMessage> messages;
    DialogResult answer = DialogResult::Ok;
    std::map<int, int> timers;
    std::function<void(int)> onCommand;
    std::function<void()> onMessage; // while the box is up
    std::deque<int> posted;
    std::string title;
    WindowPlacementState placement;
    Size minimumClient;
    bool shown = false, destroyed = false;
};

} // namespace tw::test
