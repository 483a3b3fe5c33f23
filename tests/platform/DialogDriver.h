#pragma once

#include <functional>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "platform/Dialog.h"
#include "platform/DialogTemplate.h"
#include "support/FakeWindow.h"

// How a test works the dialogs of the backend it is built with. Each backend
// implements these in its own test folder, so that one suite states what the
// dialogs of every backend do.
namespace tw::test {

// One control of an open dialog as the player sees it.
struct ShownControl {
    int id = -1; // -1 for a control the program never reaches
    Rect box;    // in pixels of the dialog's client area
    std::string text;
    int icon = 0; // the icon resource it shows
    bool defaultButton = false;
    bool tabStop = false;
    std::string cutOff; // what of its text its own font does not show
    friend bool operator==(const ShownControl&, const ShownControl&) = default;
};

inline void PrintTo(const ShownControl& control, std::ostream* out)
{
    *out << control.id << " \"" << control.text << "\" icon " << control.icon << " at " << control.box.left << ","
         << control.box.top << " to " << control.box.right << "," << control.box.bottom << " default "
         << control.defaultButton << " tab stop " << control.tabStop << " cut off \"" << control.cutOff << "\"";
}

struct ShownDialog {
    std::string title;
    Size baseUnits; // pixels per four dialog units across and per eight down
    Size client;
    std::vector<ShownControl> controls; // in the order the window keeps them
};

// Reads the dialog that RunModalDialog opened; each text is measured as its
// control lays out the kind of control the template describes.
ShownDialog Inspect(Dialog& dialog, const DialogTemplate& dialogTemplate);

// Something the player does to the dialog or box in front.
using Step = std::function<void()>;

// Runs `runModal`, which opens a modal dialog or box, and while it is up each
// step in turn, each after what the one before did has been handled.
DialogResult RunScripted(const std::function<DialogResult()>& runModal, std::vector<Step> steps);

enum class Key { Enter, KeypadEnter, Escape };
Step Press(Key key);
Step PressWithAlt(char letter);
Step PressCloseBox();
Step Click(int id);
Step Type(int id, const std::string& text);

// A window of the backend's own, which can own dialogs.
class OwnerWindow : public FakeWindow {
public:
    virtual Rect Frame() const = 0;
    virtual bool Owns(Dialog& dialog) = 0;
    virtual bool IsActive() = 0;
};
std::unique_ptr<OwnerWindow> MakeOwnerWindow();

// Writes down every command, with "+" when its button is checked, and every
// tick; OK and Cancel end the dialog unless told otherwise.
struct RecordingDialogHandler : DialogHandler {
    bool OnInitDialog(Dialog& opened) override
    {
        dialog = &opened;
        onInit(opened);
        return true;
    }
    bool OnCommand(Dialog& open, int id) override
    {
        heard.push_back(std::to_string(id) + (open.IsChecked(id) ? "+" : ""));
        if (endOnOkCancel && (id == IdOk || id == IdCancel)) {
            open.EndDialog(id == IdOk ? DialogResult::Ok : DialogResult::Cancel);
        }
        return true;
    }
    // The tick is written down after its posts, which a posted command that
    // did not wait would come before.
    bool OnTimer(Dialog& open, int id) override
    {
        open.KillTimer(id);
        open.PostCommand(41);
        open.PostCommand(IdOk);
        heard.push_back("tick " + std::to_string(id));
        return true;
    }

    std::function<void(Dialog&)> onInit = [](Dialog&) {};
    Dialog* dialog = nullptr;
    bool endOnOkCancel = true;
    std::vector<std::string> heard;
};

} // namespace tw::test
