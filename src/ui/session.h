// Process-wide values that pass between windows.
#pragma once

namespace korvel {

// Which instruction text the instructions window shows (1 to 8); set by the main menu and
// the cows window.
inline int instructionSelector = 1;

}  // namespace korvel
