#pragma once

#include <Qt>

class QKeyEvent;

namespace tw {

struct AcceleratorTemplate;

// The Windows virtual key of a key press; 0 for a key the game's key map
// has no code for.
int VirtualKeyOf(const QKeyEvent& event);

unsigned AcceleratorModifiersOf(Qt::KeyboardModifiers modifiers);

bool Matches(const AcceleratorTemplate& accelerator, const QKeyEvent& event);

} // namespace tw
