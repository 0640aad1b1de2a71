// The start-up guard: Корвель does not start while a window of its own or of one of its two
// sibling programs is open, nor while another copy holds the working folder.
#pragma once

#include <QString>
#include <optional>
#include <vector>

namespace korvel {

struct DesktopWindow {
  bool visible = false;
  bool owned = false;       // has an owner window (a dialog)
  QString title;
  QString windowClass;      // the class the desktop files the window under; empty where it has none
};

// The class Корвель's own windows are filed under: the application's name.
inline constexpr char16_t kProgramWindowClass[] = u"Корвель";

// The title of the first window, in stacking order, that blocks the start: visible, unowned,
// with a non-empty title (at most 127 characters are read) that
// contains "Мерник" or "Тавлея" (exact case), or a window of Корвель itself: of its window
// class, or, where windows have no class to read, titled exactly "Корвель". A folder, file or
// terminal whose title merely holds the word is no copy of the program.
std::optional<QString> blockingTitle(const std::vector<DesktopWindow>& windows);

// The message shown before the program ends.
QString guardMessage(const QString& title);

// The desktop's top-level windows in stacking order; nothing when no list can be had
// (no X display, Wayland, offscreen).
std::optional<std::vector<DesktopWindow>> desktopWindows();

// Brings the first top-level window whose title holds `titlePart` to the front and gives it the
// focus, restoring it when minimised. False when no such window is open (yet) or the desktop
// gives no window list.
bool bringWindowToFront(const QString& titlePart);

}  // namespace korvel
