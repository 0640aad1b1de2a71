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
};

// The title of the first window, in stacking order, that blocks the start: visible, unowned,
// with a non-empty title (at most 127 characters are read) that
// contains "Мерник", "Тавлея" or "Корвель" (exact case).
std::optional<QString> blockingTitle(const std::vector<DesktopWindow>& windows);

// The message shown before the program ends.
QString guardMessage(const QString& title);

// The desktop's top-level windows in stacking order; nothing when no list can be had
// (no X display, Wayland, offscreen).
std::optional<std::vector<DesktopWindow>> desktopWindows();

}  // namespace korvel
