#pragma once

namespace tw {

// A fault of the processor (a bad memory access, an illegal instruction, a
// division by zero) arrives here as a signal, or on Windows as a structured
// exception that nothing handled. Nothing in the game can
// recover from one, so the translator only says which fault ended the
// program, on the error output, and lets the system end it as it would have.
void InstallExceptionTranslator();

} // namespace tw
