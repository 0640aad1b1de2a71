// The one font of every window. The windows' fixed pixel layouts were drawn for a narrow
// 8-point interface font; PT Sans Narrow at 9 points (12 pixels on a 96 dpi screen) is as tall
// as the desktop's usual interface font and narrow enough for every caption to show whole in
// them. The program and the window tests both take it from here, so that what the tests
// measure is what the user sees.
#pragma once

namespace korvel {

// The family and size the windows are laid out for.
inline constexpr const char* kWindowFontFamily = "PT Sans Narrow";
inline constexpr int kWindowFontPoints = 9;

// Makes the windows' font (fonts-paratype on Debian) the application's font; called once the
// application exists and before any window is created. On Windows the fonts in the fonts/ folder
// beside the program are loaded first. Where the family is not installed, the
// nearest narrow families stand in for it rather than whatever wide font the machine would
// fall back to.
void useWindowFont();

}  // namespace korvel
