#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace tw {

class Dialog;

// Centres the dialog over its owner, without keeping it on the screen; a
// dialog without an owner stays where it is.
void CenterOnParent(Dialog& dialog);

// The item's text as it would fit a buffer of `bufferSize` bytes with its
// terminator: at most bufferSize - 1 bytes, cut before a character that would
// not fit whole. Empty for an item the dialog does not have.
std::string GetItemText(Dialog& dialog, int id, int bufferSize);

// Whether an edit box limited to `bytes` takes `text`. The limit counts
// UTF-8 bytes, the unit the game stores names in, so a name that fits the
// box always fits its storage.
bool FitsEditLimit(std::string_view text, int bytes);

// Missing items are ignored.
void SetItemText(Dialog& dialog, int id, std::string_view text);
void SetItemNumber(Dialog& dialog, int id, std::int32_t number);

} // namespace tw
