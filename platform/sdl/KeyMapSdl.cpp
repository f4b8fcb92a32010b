// Scancode and button translation for the SDL platform.
#include "platform/sdl/KeyMapSdl.h"

#include "platform/VirtualKeys.h"

int VirtualKeyFromScancode(SDL_Scancode scancode) {
  switch (scancode) {
    case SDL_SCANCODE_KP_0: return VK_NUMPAD0;
    case SDL_SCANCODE_KP_1: return VK_NUMPAD1;
    case SDL_SCANCODE_KP_2: return VK_NUMPAD2;
    case SDL_SCANCODE_KP_3: return VK_NUMPAD3;
    case SDL_SCANCODE_KP_4: return VK_NUMPAD4;
    case SDL_SCANCODE_KP_5: return VK_NUMPAD5;
    case SDL_SCANCODE_KP_6: return VK_NUMPAD6;
    case SDL_SCANCODE_KP_7: return VK_NUMPAD7;
    case SDL_SCANCODE_KP_8: return VK_NUMPAD8;
    case SDL_SCANCODE_KP_9: return VK_NUMPAD9;
    case SDL_SCANCODE_KP_PLUS: return VK_ADD;
    case SDL_SCANCODE_KP_MINUS: return VK_SUBTRACT;
    case SDL_SCANCODE_EQUALS: return VK_OEM_PLUS;
    case SDL_SCANCODE_MINUS: return VK_OEM_MINUS;
    case SDL_SCANCODE_LEFT: return VK_LEFT;
    case SDL_SCANCODE_UP: return VK_UP;
    case SDL_SCANCODE_RIGHT: return VK_RIGHT;
    case SDL_SCANCODE_DOWN: return VK_DOWN;
    case SDL_SCANCODE_HOME: return VK_HOME;
    case SDL_SCANCODE_END: return VK_END;
    case SDL_SCANCODE_PAGEUP: return VK_PRIOR;
    case SDL_SCANCODE_PAGEDOWN: return VK_NEXT;
    case SDL_SCANCODE_INSERT: return VK_INSERT;
    case SDL_SCANCODE_ESCAPE: return VK_ESCAPE;
    case SDL_SCANCODE_LCTRL:
    case SDL_SCANCODE_RCTRL: return VK_CONTROL;
    case SDL_SCANCODE_F12: return VK_F12;
    case SDL_SCANCODE_F1: return VK_F1;
    case SDL_SCANCODE_F2: return VK_F2;
    case SDL_SCANCODE_F3: return VK_F3;
    case SDL_SCANCODE_F9: return VK_F9;
    case SDL_SCANCODE_RETURN: return VK_RETURN;
    case SDL_SCANCODE_LALT:
    case SDL_SCANCODE_RALT: return VK_MENU;
    case SDL_SCANCODE_PAUSE: return VK_PAUSE;
    case SDL_SCANCODE_PRINTSCREEN: return VK_SNAPSHOT;
    case SDL_SCANCODE_P: return 'P';
    case SDL_SCANCODE_SPACE: return VK_SPACE;
    case SDL_SCANCODE_M: return 'M';
    case SDL_SCANCODE_9: return '9';
    case SDL_SCANCODE_0: return '0';
    default: break;
  }
  // "1".."6" on the main row: the virtual keys are their characters.
  if (scancode >= SDL_SCANCODE_1 && scancode <= SDL_SCANCODE_6) return '1' + (scancode - SDL_SCANCODE_1);
  return 0;
}

int VirtualKeyFromMouseButton(Uint8 button) {
  if (button == SDL_BUTTON_LEFT) return VK_LBUTTON;
  if (button == SDL_BUTTON_RIGHT) return VK_RBUTTON;
  return 0;
}

int LatchInputEventSdl(const SDL_Event& event, TInputLatch& latch) {
  switch (event.type) {
    case SDL_KEYDOWN: {
      int vk = VirtualKeyFromScancode(event.key.keysym.scancode);
      if (vk == 0 || event.key.repeat) return 0;
      latch.Press(vk);
      return vk;
    }
    case SDL_KEYUP: latch.Release(VirtualKeyFromScancode(event.key.keysym.scancode)); return 0;
    case SDL_MOUSEBUTTONDOWN:
      if (int vk = VirtualKeyFromMouseButton(event.button.button)) latch.Press(vk);
      return 0;
    case SDL_MOUSEBUTTONUP:
      if (int vk = VirtualKeyFromMouseButton(event.button.button)) latch.Release(vk);
      return 0;
    case SDL_WINDOWEVENT:
      if (event.window.event == SDL_WINDOWEVENT_FOCUS_LOST) latch.ReleaseAll();
      return 0;
    default: return 0;
  }
}
