// The desktop's top-level windows on an X11 display, through libX11: the window manager's
// client list in stacking order where it keeps one, else the root window's children (a bare
// X server without a window manager). A minimised (iconic) window counts as visible, as it
// does on Windows. Each window's class is its WM_CLASS (Qt files a program's windows under its
// application name).
#include "app/startup_guard.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <algorithm>
#include <cstdlib>

namespace korvel {
namespace {

// A window may vanish while we walk the list; such errors are not ours to report.
int ignoreErrors(Display*, XErrorEvent*) { return 0; }

std::vector<Window> windowList(Display* d, Window root) {
  std::vector<Window> list;
  const Atom stacking = XInternAtom(d, "_NET_CLIENT_LIST_STACKING", True);
  if (stacking != None) {
    Atom type = None;
    int format = 0;
    unsigned long n = 0, after = 0;
    unsigned char* data = nullptr;
    if (XGetWindowProperty(d, root, stacking, 0, 1 << 16, False, XA_WINDOW, &type, &format, &n, &after, &data) ==
            Success &&
        data) {
      if (type == XA_WINDOW && format == 32) {
        const auto* w = reinterpret_cast<const Window*>(data);
        list.assign(w, w + n);
      }
      XFree(data);
    }
  }
  if (list.empty()) {
    Window r = 0, parent = 0;
    Window* children = nullptr;
    unsigned int n = 0;
    if (XQueryTree(d, root, &r, &parent, &children, &n) && children) {
      list.assign(children, children + n);
      XFree(children);
    }
  }
  // X lists bottom to top; the walk goes from the topmost window down.
  std::reverse(list.begin(), list.end());
  return list;
}

QString windowTitle(Display* d, Window w) {
  const Atom netName = XInternAtom(d, "_NET_WM_NAME", True);
  const Atom utf8 = XInternAtom(d, "UTF8_STRING", True);
  if (netName != None && utf8 != None) {
    Atom type = None;
    int format = 0;
    unsigned long n = 0, after = 0;
    unsigned char* data = nullptr;
    if (XGetWindowProperty(d, w, netName, 0, 1024, False, utf8, &type, &format, &n, &after, &data) == Success && data) {
      const QString title = QString::fromUtf8(reinterpret_cast<const char*>(data), int(n));
      XFree(data);
      if (!title.isEmpty()) return title;
    }
  }
  XTextProperty prop;
  if (XGetWMName(d, w, &prop) && prop.value) {
    char** texts = nullptr;
    int count = 0;
    QString title;
    if (Xutf8TextPropertyToTextList(d, &prop, &texts, &count) >= Success && texts && count > 0)
      title = QString::fromUtf8(texts[0]);
    else
      title = QString::fromLatin1(reinterpret_cast<const char*>(prop.value), int(prop.nitems));
    if (texts) XFreeStringList(texts);
    XFree(prop.value);
    return title;
  }
  return {};
}

// A window manager unmaps a minimised window and marks it Iconic in its WM_STATE: the window
// is still open, and counts as visible.
bool iconic(Display* d, Window w) {
  const Atom wmState = XInternAtom(d, "WM_STATE", True);
  if (wmState == None) return false;
  Atom type = None;
  int format = 0;
  unsigned long n = 0, after = 0;
  unsigned char* data = nullptr;
  bool result = false;
  if (XGetWindowProperty(d, w, wmState, 0, 2, False, AnyPropertyType, &type, &format, &n, &after, &data) == Success &&
      data) {
    // 32-bit items come as longs.
    result = format == 32 && n >= 1 && reinterpret_cast<const long*>(data)[0] == IconicState;
    XFree(data);
  }
  return result;
}

}  // namespace

std::optional<std::vector<DesktopWindow>> desktopWindows() {
  const char* display = std::getenv("DISPLAY");
  if (!display || !*display) return std::nullopt;
  Display* d = XOpenDisplay(nullptr);
  if (!d) return std::nullopt;
  auto* previous = XSetErrorHandler(ignoreErrors);
  std::vector<DesktopWindow> out;
  for (Window w : windowList(d, DefaultRootWindow(d))) {
    XWindowAttributes attrs;
    if (!XGetWindowAttributes(d, w, &attrs)) continue;
    DesktopWindow dw;
    dw.visible = attrs.map_state == IsViewable || iconic(d, w);
    Window owner = 0;
    dw.owned = XGetTransientForHint(d, w, &owner) && owner != 0;
    dw.title = windowTitle(d, w);
    XClassHint hint{nullptr, nullptr};
    if (XGetClassHint(d, w, &hint)) {
      if (hint.res_class) dw.windowClass = QString::fromUtf8(hint.res_class);
      if (hint.res_name) XFree(hint.res_name);
      if (hint.res_class) XFree(hint.res_class);
    }
    out.push_back(dw);
  }
  XSetErrorHandler(previous);
  XCloseDisplay(d);
  return out;
}

bool bringWindowToFront(const QString& titlePart) {
  const char* display = std::getenv("DISPLAY");
  if (!display || !*display) return false;
  Display* d = XOpenDisplay(nullptr);
  if (!d) return false;
  auto* previous = XSetErrorHandler(ignoreErrors);
  const Window root = DefaultRootWindow(d);
  Window found = 0;
  for (Window w : windowList(d, root)) {
    XWindowAttributes attrs;
    if (!XGetWindowAttributes(d, w, &attrs) || (attrs.map_state != IsViewable && !iconic(d, w))) continue;
    if (windowTitle(d, w).contains(titlePart)) {
      found = w;
      break;
    }
  }
  if (found) {
    // A window manager raises, restores and focuses a window when asked to activate it; the
    // request says it comes from a pager, the source managers do not hold back as they may hold
    // back an application stealing the focus. Without a manager the window is raised directly.
    const Atom active = XInternAtom(d, "_NET_ACTIVE_WINDOW", True);
    const Atom supported = XInternAtom(d, "_NET_SUPPORTED", True);
    if (active != None && supported != None) {
      XEvent e{};
      e.xclient.type = ClientMessage;
      e.xclient.window = found;
      e.xclient.message_type = active;
      e.xclient.format = 32;
      e.xclient.data.l[0] = 2;
      e.xclient.data.l[1] = CurrentTime;
      XSendEvent(d, root, False, SubstructureRedirectMask | SubstructureNotifyMask, &e);
    } else {
      XMapRaised(d, found);
      XSetInputFocus(d, found, RevertToParent, CurrentTime);
    }
    XSync(d, False);
  }
  XSetErrorHandler(previous);
  XCloseDisplay(d);
  return found != 0;
}

}  // namespace korvel
