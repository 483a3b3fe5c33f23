#pragma once

namespace tw {

// Whether a GuiSession lives now: without one no message loop runs on this
// thread to deliver a thread timer's ticks.
bool GuiSessionExists();

} // namespace tw
