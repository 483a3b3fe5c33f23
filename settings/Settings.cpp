#include "settings/Settings.h"

namespace tw {

Settings settings;

Settings Settings::Defaults()
{
    Settings defaults;
    defaults.Beep = 1;
    defaults.Music = 1;
    defaults.ClearStacks = 0;
    defaults.GetFaster = 1;
    defaults.SwapMode = 3;
    defaults.OneDeck = 2;
    defaults.EndOnShuffle = 0;
    defaults.LastStack = 1;
    defaults.UpDown = 1;
    defaults.CollapseRegime = 1;
    defaults.ShowNagDlg = 1;
    defaults.ForegroundColor = 0x80FF80;
    defaults.BackgroundColor = 0x004000;
    defaults.dropInterval = 800;
    defaults.DeriveMinMeldLength();
    return defaults;
}

void Settings::DeriveMinMeldLength()
{
    switch (CollapseRegime) {
    case 1:
    case 2:
        minMeldLength = 3;
        break;
    case 3:
        minMeldLength = 2;
        break;
    default:
        break;
    }
}

} // namespace tw
