#include "resources/DialogTemplates.h"

#include <array>
#include <string_view>

#include "platform/Dialog.h"

namespace tw {
namespace {

using K = ControlKind;

constexpr std::string_view kDialogFont = "MS Sans Serif";
constexpr unsigned kFramedDialog = WithCaption | WithSystemMenu | ModalFrame;

constexpr ControlTemplate Label(std::string_view text, int x, int y, int w, int h, unsigned style = StyleNone)
{
    return {K::Label, -1, text, x, y, w, h, style, 0};
}

constexpr ControlTemplate Line(int x, int y, int w, int h)
{
    return {K::EtchedLine, -1, {}, x, y, w, h, StyleNone, 0};
}

constexpr ControlTemplate Icon(int icon, int x, int y, int w, int h)
{
    return {K::Icon, -1, {}, x, y, w, h, StyleNone, icon};
}

constexpr ControlTemplate Button(int id, std::string_view text, int x, int y, int w, int h,
                                 unsigned style = StyleNone)
{
    return {K::PushButton, id, text, x, y, w, h, style | TabStop, 0};
}

constexpr ControlTemplate Check(int id, std::string_view text, int x, int y, int w, int h)
{
    return {K::CheckBox, id, text, x, y, w, h, TabStop, 0};
}

constexpr ControlTemplate Radio(int id, std::string_view text, int x, int y, int w, int h,
                                unsigned style = StyleNone)
{
    return {K::RadioButton, id, text, x, y, w, h, style, 0};
}

// Welcome: the instructions, with the OK button under them.
constexpr std::array kWelcomeControls{
    Label("Instructions:", 10, 7, 39, 8),
    Label("* Use the arrow keys to maneuver your card above the stacks", 23, 21, 216, 8),
    Label("* Use the space bar to swap your card for another one", 23, 33, 216, 8),
    Label("* Score points by stacking 3 cards of the same rank (e.g. 3 Jacks)", 23, 45, 216, 8),
    Label(" or 3 or more cards forming a straight flush (e.g. 4, 5, and 6 of Clubs)", 23, 53, 216, 8),
    Label("* The game is over when there's no room for the next card", 23, 65, 216, 8),
    Button(IdOk, "OK", 189, 85, 50, 14, DefaultButton),
};

constexpr std::array kAboutControls{
    Label("Tumblewick version 2.4", 8, 12, 176, 8, Centred),
    Icon(ProgramIconId, 85, 50, 20, 20),
    Button(IdOk, "OK", 71, 117, 50, 14),
};

constexpr std::array kLevelAdvanceControls{
    Label("You have advanced to the next level", 7, 12, 172, 8, Centred),
};

constexpr std::array kOptionsControls{
    Label("Controls", 7, 7, 26, 8),
    Line(35, 11, 207, 1),
    Check(1055, "&Music", 19, 17, 122, 10),
    Check(1004, "S&ound effects", 19, 28, 122, 10),
    Check(1003, "Play &upside down", 19, 39, 122, 10),
    Check(1002, "Deal next card &above last stack ", 19, 50, 122, 10),
    Check(1059, "Show welcome screen on s&tartup", 19, 60, 122, 11),
    Button(1060, "Change Foreground Co&lor", 152, 40, 90, 14),
    Button(1061, "C&hange Background Color", 152, 57, 90, 14),
    Label("Swap Mode", 7, 79, 39, 8),
    Line(47, 83, 195, 1),
    // Only the first of the group is a tab stop: the arrow keys move inside it.
    Radio(1011, "&Disable swapping", 19, 90, 156, 10, GroupStart | TabStop),
    Radio(1010, "&Cycle through the next 3 cards", 19, 101, 156, 10),
    Radio(1008, "Swap with a &randomly selected card", 19, 112, 156, 8),
    Radio(1009, "Swap with the \"1&3-minus\" companion card", 19, 123, 156, 10),
    Label("Some fun combinations:", 192, 102, 50, 19, Centred),
    Button(1038, "One Dec&k", 192, 122, 50, 14),
    Button(1037, "The &Purist", 192, 140, 50, 14),
    Button(1039, "Easy &Going", 192, 158, 50, 14),
    Button(1040, "I&nfinity", 192, 176, 50, 14),
    Label("Rules", 7, 138, 19, 8),
    Line(30, 142, 97, 1),
    Check(1006, "D&eal from a deck of 52 cards", 19, 149, 156, 10),
    Check(1035, "&Stuff collapsed cards back into deck", 19, 160, 156, 10),
    Check(1048, "End game &when the deck is emptied", 19, 171, 156, 10),
    Check(1005, "Drop cards &faster as level gets higher", 19, 182, 156, 10),
    Check(1007, "Clear stacks at the &beginning of each level", 19, 193, 156, 10),
    Line(7, 210, 235, 1),
    Icon(ProgramIconId, 7, 217, 21, 20),
    Button(IdOk, "OK", 139, 223, 50, 14, DefaultButton),
    Button(IdCancel, "Cancel", 192, 223, 50, 14),
};

constexpr int kHighScoreRows = 10;
constexpr std::array<std::string_view, kHighScoreRows> kRankTexts{
    "1.", "2.", "3.", "4.", "5.", "6.", "7.", "8.", "9.", "10."};

// Row k: its rank, the name box 1012 + k and the score 1022 + k, 16 units apart.
constexpr auto MakeHighScoreControls()
{
    std::array<ControlTemplate, 2 + 3 * kHighScoreRows + 8> controls{};
    std::size_t n = 0;
    controls[n++] = Label("The Masters of Tumblewick are:", 16, 10, 142, 8);
    controls[n++] = Line(16, 22, 248, 1);
    for (int k = 0; k < kHighScoreRows; ++k) {
        const int y = 32 + 16 * k;
        controls[n++] = Label(kRankTexts[static_cast<std::size_t>(k)], 16, y, k == 9 ? 11 : 8, 8);
        controls[n++] = {K::EditBox, 1012 + k, {}, 30, y - 2, 181, 14,
                         Bordered | ReadOnly | ScrollsHorizontally | TabStop, 0};
        controls[n++] = {K::Label, 1022 + k, "1000", 224, y, 38, 8, StyleNone, 0};
    }
    controls[n++] = Line(16, 195, 248, 1);
    controls[n++] = Icon(ClubIconId, 72, 204, 21, 20);
    controls[n++] = Icon(HeartIconId, 93, 204, 21, 20);
    controls[n++] = Icon(SpadeIconId, 114, 204, 21, 20);
    controls[n++] = Icon(DiamondIconId, 134, 204, 21, 20);
    controls[n++] = Button(1061, "&Reset", 16, 206, 50, 16);
    controls[n++] = Button(IdOk, "OK", 161, 206, 50, 16, DefaultButton);
    controls[n++] = Button(IdCancel, "Cancel", 214, 206, 50, 16);
    return controls;
}

constexpr auto kHighScoreControls = MakeHighScoreControls();

// The welcome dialog ends a margin below its OK button (85 + 14).
constexpr int kWelcomeHeight = 106;

constexpr std::array kTemplates{
    DialogTemplate{AboutDialogId, "About Tumblewick", 191, 138, kFramedDialog, kDialogFont, 8, kAboutControls},
    DialogTemplate{OptionsDialogId, "Options", 249, 244, kFramedDialog, kDialogFont, 8, kOptionsControls},
    DialogTemplate{LevelAdvanceDialogId, "", 186, 34, ThinBorder, kDialogFont, 8, kLevelAdvanceControls},
    DialogTemplate{HighScoreDialogId, "High Score List", 271, 229, kFramedDialog, kDialogFont, 8,
                   kHighScoreControls},
    DialogTemplate{WelcomeDialogId, "Welcome to Tumblewick!", 251, kWelcomeHeight, kFramedDialog, kDialogFont, 8,
                   kWelcomeControls},
};

} // namespace

const DialogTemplate* FindDialogTemplate(int id)
{
    for (const DialogTemplate& candidate : kTemplates) {
        if (candidate.id == id) {
            return &candidate;
        }
    }
    return nullptr;
}

std::span<const DialogTemplate> AllDialogTemplates() { return kTemplates; }

} // namespace tw
