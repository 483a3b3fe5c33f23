#pragma once

#include <windows.h>

#include <vector>

namespace tw {

struct DialogTemplate;

// The game's dialog as the in-memory DLGTEMPLATE the dialog manager reads: the
// template's dialog units and font, its controls in their order, a radio group
// ending where another kind of control follows. The words are DWORD-aligned,
// as the dialog manager requires of the template and of every item.
std::vector<WORD> BuildDialogTemplate(const DialogTemplate& dialogTemplate);

} // namespace tw
