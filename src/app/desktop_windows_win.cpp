// The desktop's top-level windows on Windows, in Z order, through EnumWindows.
#include "app/startup_guard.h"

#include <windows.h>

namespace korvel {
namespace {

BOOL CALLBACK collect(HWND hwnd, LPARAM param) {
  auto* out = reinterpret_cast<std::vector<DesktopWindow>*>(param);
  DesktopWindow w;
  w.visible = IsWindowVisible(hwnd);
  w.owned = GetWindow(hwnd, GW_OWNER) != nullptr;
  wchar_t title[128] = {};
  GetWindowTextW(hwnd, title, 128);
  w.title = QString::fromWCharArray(title);
  out->push_back(w);
  return TRUE;
}

}  // namespace

std::optional<std::vector<DesktopWindow>> desktopWindows() {
  std::vector<DesktopWindow> out;
  EnumWindows(collect, reinterpret_cast<LPARAM>(&out));
  return out;
}

}  // namespace korvel
