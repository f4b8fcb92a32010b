// Whether a window manager runs on the window's X display. Only one puts a frame around a
// window and tells its size, so without one there is nothing to wait for after showing it.
#include <SDL.h>
#include <SDL_syswm.h>

#include "platform/sdl/SdlState.h"

#if defined(SDL_VIDEO_DRIVER_X11)
#include <X11/Xatom.h>

namespace {

bool XFailed = false;

int NoteXError(Display*, XErrorEvent*) {
  XFailed = true;
  return 0;
}

// The window that a property of `owner` names, or 0; an owner that is gone reads as none.
::Window WindowProperty(Display* display, ::Window owner, Atom property) {
  Atom type = None;
  int format = 0;
  unsigned long count = 0, after = 0;
  unsigned char* data = nullptr;
  ::Window named = 0;
  if (XGetWindowProperty(display, owner, property, 0, 1, False, XA_WINDOW, &type, &format, &count, &after, &data) ==
          Success &&
      type == XA_WINDOW && format == 32 && count == 1 && data != nullptr) {
    named = static_cast<::Window>(*reinterpret_cast<unsigned long*>(data));
  }
  if (data != nullptr) XFree(data);
  return named;
}

}  // namespace
#endif

bool SdlWindowManagerRunning(SDL_Window* window) {
#if defined(SDL_VIDEO_DRIVER_X11)
  SDL_SysWMinfo info;
  SDL_VERSION(&info.version);
  if (!SDL_GetWindowWMInfo(window, &info) || info.subsystem != SDL_SYSWM_X11) return true;
  Display* display = info.info.x11.display;
  // A window manager that tells frames names a window of its own on the root window, which
  // names itself too; the root's word alone may be left over from one that has ended.
  const Atom check = XInternAtom(display, "_NET_SUPPORTING_WM_CHECK", True);
  if (check == None) return false;
  const ::Window named = WindowProperty(display, DefaultRootWindow(display), check);
  if (named == 0) return false;
  XSync(display, False);
  XFailed = false;
  const auto previous = XSetErrorHandler(NoteXError);
  const ::Window self = WindowProperty(display, named, check);
  XSync(display, False);
  XSetErrorHandler(previous);
  return !XFailed && self == named;
#else
  (void)window;
  return true;
#endif
}
