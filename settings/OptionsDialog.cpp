#include "settings/OptionsDialog.h"

#include "platform/DialogHelpers.h"
#include "settings/Settings.h"

namespace tw {
namespace {

constexpr int kFirstSwapRadio = OptionsDialog::SwapRandomRadio;
constexpr int kLastSwapRadio = OptionsDialog::SwapDisabledRadio;

struct Preset {
    int id;
    std::int32_t dealFromDeck, stuffCollapsed, endOnShuffle, getFaster, clearStacks, swapMode;
};

constexpr Preset kPresets[] = {
    {OptionsDialog::OneDeckButton, 1, 1, 1, 1, 0, 3},
    {OptionsDialog::PuristButton, 1, 0, 0, 1, 0, 4},
    {OptionsDialog::EasyGoingButton, 1, 0, 0, 0, 1, 1},
    {OptionsDialog::InfinityButton, 0, 0, 0, 1, 0, 2},
};

} // namespace

bool OptionsDialog::OnInitDialog(Dialog& dialog)
{
    CenterOnParent(dialog);
    CopyFromSettings();
    UpdateControls(dialog);
    return true;
}

void OptionsDialog::CopyFromSettings()
{
    beep = settings.Beep;
    music = settings.Music;
    lastStack = settings.LastStack;
    upsideDown = settings.UpDown == 1 ? 1 : 0;
    dealFromDeck = settings.OneDeck > 0 ? 1 : 0;
    stuffCollapsed = settings.OneDeck == 2 ? 1 : 0;
    getFaster = settings.GetFaster;
    clearStacks = settings.ClearStacks;
    endOnShuffle = settings.EndOnShuffle;
    showWelcome = settings.ShowNagDlg;
    foregroundColor = settings.ForegroundColor;
    backgroundColor = settings.BackgroundColor;
    swapMode = settings.SwapMode;
}

void OptionsDialog::UpdateControls(Dialog& dialog)
{
    CheckSwapMode(dialog);
    const std::pair<int, std::int32_t> boxes[] = {
        {ShowWelcomeBox, showWelcome}, {UpsideDownBox, upsideDown},         {LastStackBox, lastStack},
        {DealFromDeckBox, dealFromDeck}, {StuffCollapsedBox, stuffCollapsed}, {GetFasterBox, getFaster},
        {ClearStacksBox, clearStacks},   {EndOnShuffleBox, endOnShuffle},     {BeepBox, beep},
        {MusicBox, music},
    };
    for (const auto& [id, field] : boxes) {
        dialog.CheckItem(id, field != 0);
    }
    EnableDeckBoxes(dialog);
}

void OptionsDialog::CheckSwapMode(Dialog& dialog)
{
    // A stored mode the program never writes selects no button; the id is
    // only worked out for a mode that has one, as a huge mode would overflow.
    const bool known = swapMode >= 1 && swapMode <= kLastSwapRadio - kFirstSwapRadio + 1;
    dialog.CheckRadioButton(kFirstSwapRadio, kLastSwapRadio, known ? swapMode + kFirstSwapRadio - 1 : 0);
}

void OptionsDialog::EnableDeckBoxes(Dialog& dialog)
{
    // A disabled box keeps its tick and its field: the rule comes back as it
    // was when the deck is switched on again.
    dialog.EnableItem(StuffCollapsedBox, dealFromDeck != 0);
    dialog.EnableItem(EndOnShuffleBox, dealFromDeck != 0 && stuffCollapsed != 0);
}

void OptionsDialog::Toggle(Dialog& dialog, int id, std::int32_t& field)
{
    field = field == 0 ? 1 : 0;
    dialog.CheckItem(id, field != 0);
}

bool OptionsDialog::OnCommand(Dialog& dialog, int id)
{
    switch (id) {
    case LastStackBox: Toggle(dialog, id, lastStack); return true;
    case UpsideDownBox: Toggle(dialog, id, upsideDown); return true;
    case BeepBox: Toggle(dialog, id, beep); return true;
    case GetFasterBox: Toggle(dialog, id, getFaster); return true;
    case ClearStacksBox: Toggle(dialog, id, clearStacks); return true;
    case EndOnShuffleBox: Toggle(dialog, id, endOnShuffle); return true;
    case MusicBox: Toggle(dialog, id, music); return true;
    case ShowWelcomeBox: Toggle(dialog, id, showWelcome); return true;
    case DealFromDeckBox:
    case StuffCollapsedBox:
        Toggle(dialog, id, id == DealFromDeckBox ? dealFromDeck : stuffCollapsed);
        EnableDeckBoxes(dialog);
        return true;
    case SwapRandomRadio:
    case SwapCompanionRadio:
    case SwapCycleRadio:
    case SwapDisabledRadio:
        swapMode = id - kFirstSwapRadio + 1;
        CheckSwapMode(dialog);
        return true;
    case OneDeckButton:
    case PuristButton:
    case EasyGoingButton:
    case InfinityButton:
        ApplyPreset(dialog, id);
        return true;
    case ForegroundColorButton: PickColour(dialog, foregroundColor); return true;
    case BackgroundColorButton: PickColour(dialog, backgroundColor); return true;
    case IdOk: Confirm(dialog); return true;
    case IdCancel: dialog.EndDialog(DialogResult::Cancel); return true;
    default: return false;
    }
}

void OptionsDialog::ApplyPreset(Dialog& dialog, int id)
{
    for (const Preset& preset : kPresets) {
        if (preset.id == id) {
            dealFromDeck = preset.dealFromDeck;
            stuffCollapsed = preset.stuffCollapsed;
            endOnShuffle = preset.endOnShuffle;
            getFaster = preset.getFaster;
            clearStacks = preset.clearStacks;
            swapMode = preset.swapMode;
        }
    }
    UpdateControls(dialog);
}

void OptionsDialog::PickColour(Dialog& dialog, std::int32_t& field)
{
    if (const std::optional<ColorRef> chosen = dialog.ChooseColor(static_cast<ColorRef>(field), customColors)) {
        field = static_cast<std::int32_t>(*chosen);
    }
}

void OptionsDialog::Confirm(Dialog& dialog)
{
    // Sound and music take effect at once and never need a new game; every
    // other value is part of the game being played.
    Settings chosen = settings;
    chosen.UpDown = upsideDown != 0 ? 1 : -1;
    chosen.LastStack = lastStack;
    chosen.OneDeck = dealFromDeck != 0 ? 1 + (stuffCollapsed != 0 ? 1 : 0) : 0;
    chosen.GetFaster = getFaster;
    chosen.ClearStacks = clearStacks;
    chosen.EndOnShuffle = endOnShuffle;
    chosen.SwapMode = swapMode;
    chosen.ShowNagDlg = showWelcome;
    chosen.BackgroundColor = backgroundColor;
    chosen.ForegroundColor = foregroundColor;

    const bool changed = chosen.UpDown != settings.UpDown || chosen.LastStack != settings.LastStack ||
                         chosen.OneDeck != settings.OneDeck || chosen.GetFaster != settings.GetFaster ||
                         chosen.ClearStacks != settings.ClearStacks ||
                         chosen.EndOnShuffle != settings.EndOnShuffle || chosen.SwapMode != settings.SwapMode ||
                         chosen.ShowNagDlg != settings.ShowNagDlg ||
                         chosen.BackgroundColor != settings.BackgroundColor ||
                         chosen.ForegroundColor != settings.ForegroundColor;

    settings.Beep = beep;
    settings.Music = music;
    if (!changed) {
        dialog.EndDialog(DialogResult::Cancel);
        return;
    }
    chosen.Beep = beep;
    chosen.Music = music;
    settings = chosen;
    dialog.EndDialog(DialogResult::Ok);
}

} // namespace tw
