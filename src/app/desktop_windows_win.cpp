// The desktop's top-level windows on Windows, in Z order, through EnumWindows.
#include "app/startup_guard.h"

#include <windows.h>

#include <string>
#include <string_view>

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

struct FrontSearch {
  std::wstring titlePart;
  HWND found = nullptr;
};

BOOL CALLBACK findTitled(HWND hwnd, LPARAM param) {
  auto* search = reinterpret_cast<FrontSearch*>(param);
  if (!IsWindowVisible(hwnd) || GetWindow(hwnd, GW_OWNER) != nullptr) return TRUE;
  wchar_t title[512] = {};
  GetWindowTextW(hwnd, title, 512);
  if (std::wstring_view(title).find(search->titlePart) == std::wstring_view::npos) return TRUE;
  search->found = hwnd;
  return FALSE;
}

}  // namespace

bool bringWindowToFront(const QString& titlePart) {
  FrontSearch search{titlePart.toStdWString()};
  EnumWindows(findTitled, reinterpret_cast<LPARAM>(&search));
  if (!search.found) return false;
  if (IsIconic(search.found)) ShowWindow(search.found, SW_RESTORE);
  // Windows lets the foreground process hand the foreground on: the program is it while the
  // person waits for the workbook.
  SetForegroundWindow(search.found);
  return true;
}

std::optional<std::vector<DesktopWindow>> desktopWindows() {
  std::vector<DesktopWindow> out;
  EnumWindows(collect, reinterpret_cast<LPARAM>(&out));
  return out;
}

}  // namespace korvel
