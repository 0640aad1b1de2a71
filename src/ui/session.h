// Process-wide values that pass between windows.
#pragma once

namespace korvel {

// Which instruction text the instructions window shows (1 to 7); set by the main menu.
inline int instructionSelector = 1;

}  // namespace korvel
