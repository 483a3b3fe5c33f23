#pragma once

#include <array>
#include <cstdint>

#include "platform/ColorRef.h"
#include "platform/Dialog.h"

namespace tw {

// The Options dialog's logic. It edits a working copy of the settings and
// writes the record only on OK; the store sees the values at the next save.
// The program keeps one instance for the whole run (see settings/SettingsDialogs.h), so
// the custom colours the player mixes survive from one opening to the next.
class OptionsDialog : public DialogHandler {
public:
    // Control ids of template 131.
    enum Item : int {
        LastStackBox = 1002,
        UpsideDownBox = 1003,
        BeepBox = 1004,
        GetFasterBox = 1005,
        DealFromDeckBox = 1006,
        ClearStacksBox = 1007,
        SwapRandomRadio = 1008,    // SwapMode 1
        SwapCompanionRadio = 1009, // SwapMode 2
        SwapCycleRadio = 1010,     // SwapMode 3
        SwapDisabledRadio = 1011,  // SwapMode 4
        StuffCollapsedBox = 1035,
        PuristButton = 1037,
        OneDeckButton = 1038,
        EasyGoingButton = 1039,
        InfinityButton = 1040,
        EndOnShuffleBox = 1048,
        MusicBox = 1055,
        ShowWelcomeBox = 1059,
        ForegroundColorButton = 1060,
        BackgroundColorButton = 1061,
    };

    ~OptionsDialog() override = default;

    bool OnInitDialog(Dialog& dialog) override;
    // Ends the dialog with 1 when OK stored a change to the rules, the
    // orientation, the welcome screen or a colour (a new game must start),
    // else 2.
    bool OnCommand(Dialog& dialog, int id) override;

    void CopyFromSettings();
    void UpdateControls(Dialog& dialog);

    // The working copy, one field per stored value it edits.
    std::int32_t beep = 0;
    std::int32_t music = 0;
    std::int32_t lastStack = 0;
    std::int32_t upsideDown = 0;
    std::int32_t dealFromDeck = 0;
    std::int32_t stuffCollapsed = 0;
    std::int32_t getFaster = 0;
    std::int32_t clearStacks = 0;
    std::int32_t endOnShuffle = 0;
    std::int32_t showWelcome = 0;
    std::int32_t foregroundColor = 0;
    std::int32_t backgroundColor = 0;
    std::int32_t swapMode = 0;

    // Shared by both colour pickers and kept for the run, never stored.
    std::array<ColorRef, 16> customColors{};

private:
    void Toggle(Dialog& dialog, int id, std::int32_t& field);
    void EnableDeckBoxes(Dialog& dialog);
    void CheckSwapMode(Dialog& dialog);
    void ApplyPreset(Dialog& dialog, int id);
    void PickColour(Dialog& dialog, std::int32_t& field);
    void Confirm(Dialog& dialog);
};

} // namespace tw
