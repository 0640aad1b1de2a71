// Bringing a window another program opens to the front once it appears.
#pragma once

#include <QString>
#include <functional>

namespace korvel {

// How long a spreadsheet application may take to show a workbook it was handed.
inline constexpr int kWindowAppearMs = 60000;

// Watches for a top-level window whose title holds `titlePart` (a spreadsheet application
// names its window after the file) for up to `withinMs`, brings it to the front the moment it
// appears and stops. `done` says whether one appeared. Returns at once: the watch runs in the
// event loop.
void bringToFrontWhenShown(const QString& titlePart, int withinMs = kWindowAppearMs,
                           std::function<void(bool shown)> done = {});

}  // namespace korvel
