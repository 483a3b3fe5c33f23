#pragma once

namespace tw {

// Ends the program's message loop with `exitCode`: at once when it runs
// (nested loops of dialogs end too), or as soon as it starts.
void PostQuitMessage(int exitCode);

// Runs the GUI thread's events until PostQuitMessage; returns its code.
// Closing windows alone never ends it.
int RunMessageLoop();

// Whether RunMessageLoop is running now (start-up's dialogs run before it).
bool MessageLoopRuns();

} // namespace tw
