#pragma once

#include <string>
#include <vector>

#include "platform/MessageBox.h"
#include "platform/Window.h"

namespace tw::test {

struct ShownMessage {
    std::string text;
    std::string caption;
    unsigned style = 0;
};

// A main window that remembers what it was asked to show.
class FakeWindow : public Window {
public:
    int ShowMessage(std::string_view text, std::string_view caption, unsigned style) override
    {
        messages.push_back({std::string(text), std::string(caption), style});
        return answer;
    }

    std::vector<ShownMessage> messages;
    int answer = ResultOk;
};

} // namespace tw::test
