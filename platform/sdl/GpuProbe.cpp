// Whether OpenGL can only draw on the processor here, told without loading OpenGL: loading a
// software rasterizer to ask it costs a tenth of a second or more and tens of MiB that stay.
#include <SDL.h>
#include <SDL_syswm.h>
#include <glob.h>

#include <cstdlib>
#include <cstring>

#include "platform/sdl/SdlState.h"

namespace {

bool EnvironmentSet(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr && value[0] != '\0' && std::strcmp(value, "0") != 0;
}

bool AnyPath(const char* pattern) {
  glob_t found{};
  const bool any = glob(pattern, GLOB_NOSORT, nullptr, &found) == 0 && found.gl_pathc > 0;
  globfree(&found);
  return any;
}

}  // namespace

TGpuVerdict SdlProbeGpu(SDL_Window* window) {
  // A renderer named by the user is theirs to have.
  if (EnvironmentSet("SDL_RENDER_DRIVER")) return TGpuVerdict::Unknown;
  if (EnvironmentSet("LIBGL_ALWAYS_SOFTWARE")) return TGpuVerdict::SoftwareOnly;
  // No device a GPU driver could open: Mesa's drivers open /dev/dri, NVIDIA's its own.
  if (!AnyPath("/dev/dri/*") && !AnyPath("/dev/nvidia*")) return TGpuVerdict::SoftwareOnly;
#if defined(SDL_VIDEO_DRIVER_X11)
  SDL_SysWMinfo info;
  SDL_VERSION(&info.version);
  if (SDL_GetWindowWMInfo(window, &info) && info.subsystem == SDL_SYSWM_X11) {
    // OpenGL on an X server draws on the GPU only through direct rendering, which the server
    // offers as one of these; a server without them (Xvfb, a remote one, a plain frame
    // buffer) leaves the client Mesa's software rasterizer.
    int opcode = 0, event = 0, error = 0;
    for (const char* extension : {"DRI3", "DRI2", "NV-GLX"}) {
      if (XQueryExtension(info.info.x11.display, extension, &opcode, &event, &error)) return TGpuVerdict::Unknown;
    }
    return TGpuVerdict::SoftwareOnly;
  }
#else
  (void)window;
#endif
  return TGpuVerdict::Unknown;
}
