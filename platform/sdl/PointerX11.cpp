// The pointer over a window as the X server has it now. SDL's own reading is the position of
// the last pointer event, in the window as it was then, and its screen-wide reading is kept
// from the last raw motion it saw (which synthesized input never sends): both stay behind when
// the window moves or changes size under a resting pointer.
#include <SDL.h>
#include <SDL_syswm.h>

#include "platform/sdl/SdlState.h"

bool SdlPointerInWindow(SDL_Window* window, int& x, int& y) {
#if defined(SDL_VIDEO_DRIVER_X11)
  SDL_SysWMinfo info;
  SDL_VERSION(&info.version);
  if (!SDL_GetWindowWMInfo(window, &info) || info.subsystem != SDL_SYSWM_X11) return false;
  ::Window root = 0, child = 0;
  int rootX = 0, rootY = 0;
  unsigned int buttons = 0;
  // False while the pointer is on another screen of the display.
  return XQueryPointer(info.info.x11.display, info.info.x11.window, &root, &child, &rootX, &rootY, &x, &y, &buttons) !=
         0;
#else
  (void)window;
  (void)x;
  (void)y;
  return false;
#endif
}
