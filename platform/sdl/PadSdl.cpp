#include "platform/sdl/PadSdl.h"

#include <algorithm>

#include "platform/VirtualKeys.h"

namespace {

// The virtual key a button stands for; 0: none.
int ButtonKey(Uint8 button) {
  switch (button) {
    case SDL_CONTROLLER_BUTTON_A: return VK_CONTROL;
    case SDL_CONTROLLER_BUTTON_Y: return VK_SPACE;
    case SDL_CONTROLLER_BUTTON_LEFTSHOULDER:
    case SDL_CONTROLLER_BUTTON_RIGHTSHOULDER: return VK_INSERT;
    case SDL_CONTROLLER_BUTTON_START: return VK_PAUSE;
    default: return 0;
  }
}

// The keypad digit of a direction: x right, y up, each -1, 0 or 1; 0 for none.
int DirectionKey(int x, int y) {
  if (x == 0 && y == 0) return 0;
  return VK_NUMPAD5 + x - 3 * -y;
}

int Sign(int v, int deadZone) { return v > deadZone ? 1 : v < -deadZone ? -1 : 0; }

}  // namespace

TPadSdl::TPad* TPadSdl::Find(SDL_JoystickID id) {
  auto it = std::find_if(FPads.begin(), FPads.end(), [&](const TPad& pad) { return pad.Id == id; });
  return it == FPads.end() ? nullptr : &*it;
}

void TPadSdl::Close(TPad& pad, TInputLatch& latch) {
  if (pad.WalkKey != 0) latch.Release(pad.WalkKey);
  // Asked of the controller it would answer nothing: it is gone already.
  for (int b = 0; b < SDL_CONTROLLER_BUTTON_MAX; ++b) {
    if (pad.Held & (1u << b)) latch.Release(ButtonKey(static_cast<Uint8>(b)));
  }
  SDL_GameControllerClose(pad.Controller);
}

void TPadSdl::CloseAll(TInputLatch& latch) {
  for (TPad& pad : FPads) Close(pad, latch);
  FPads.clear();
}

void TPadSdl::Walk(TPad& pad, TInputLatch& latch) {
  // The d-pad wins over the stick where it is pressed.
  int x = int{pad.Right} - int{pad.Left}, y = int{pad.Up} - int{pad.Down};
  if (x == 0 && y == 0) {
    x = Sign(pad.StickX, StickDeadZone);
    y = -Sign(pad.StickY, StickDeadZone);  // the stick's y grows downwards
  }
  const int key = DirectionKey(x, y);
  if (key == pad.WalkKey) return;
  if (pad.WalkKey != 0) latch.Release(pad.WalkKey);
  if (key != 0) latch.Press(key);
  pad.WalkKey = key;
}

int TPadSdl::Feed(const SDL_Event& event, TInputLatch& latch) {
  switch (event.type) {
    case SDL_CONTROLLERDEVICEADDED: {
      SDL_GameController* controller = SDL_GameControllerOpen(event.cdevice.which);
      if (!controller) return 0;
      const SDL_JoystickID id = SDL_JoystickInstanceID(SDL_GameControllerGetJoystick(controller));
      if (Find(id)) {
        SDL_GameControllerClose(controller);  // already open: the reference taken is given back
        return 0;
      }
      FPads.push_back(TPad{controller, id});
      return 0;
    }
    case SDL_CONTROLLERDEVICEREMOVED:
      if (TPad* pad = Find(event.cdevice.which)) {
        Close(*pad, latch);
        FPads.erase(FPads.begin() + (pad - FPads.data()));
      }
      return 0;
    case SDL_CONTROLLERBUTTONDOWN:
    case SDL_CONTROLLERBUTTONUP: {
      TPad* pad = Find(event.cbutton.which);
      if (!pad) return 0;
      const bool down = event.type == SDL_CONTROLLERBUTTONDOWN;
      switch (event.cbutton.button) {
        case SDL_CONTROLLER_BUTTON_DPAD_UP: pad->Up = down; break;
        case SDL_CONTROLLER_BUTTON_DPAD_DOWN: pad->Down = down; break;
        case SDL_CONTROLLER_BUTTON_DPAD_LEFT: pad->Left = down; break;
        case SDL_CONTROLLER_BUTTON_DPAD_RIGHT: pad->Right = down; break;
        default: {
          const int vk = ButtonKey(event.cbutton.button);
          if (vk == 0) return 0;
          const uint32_t bit = 1u << event.cbutton.button;
          pad->Held = down ? pad->Held | bit : pad->Held & ~bit;
          if (!down) {
            latch.Release(vk);
            return 0;
          }
          latch.Press(vk);
          return vk == VK_PAUSE ? vk : 0;
        }
      }
      Walk(*pad, latch);
      return 0;
    }
    case SDL_CONTROLLERAXISMOTION: {
      TPad* pad = Find(event.caxis.which);
      if (!pad) return 0;
      if (event.caxis.axis == SDL_CONTROLLER_AXIS_LEFTX) pad->StickX = event.caxis.value;
      if (event.caxis.axis == SDL_CONTROLLER_AXIS_LEFTY) pad->StickY = event.caxis.value;
      Walk(*pad, latch);
      return 0;
    }
    default: return 0;
  }
}
