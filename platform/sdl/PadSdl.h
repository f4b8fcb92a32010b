// Game controllers (SDL's game controller API) played as the keyboard: the d-pad and the left
// stick walk in the eight directions as the keypad's digits do, A jumps (Ctrl), a shoulder
// button selects the next person (Insert), Y brings the view back (Space) and Start pauses.
// Only virtual keys come out, so the game, its recordings and the headless runner see a
// keyboard. Pads plugged in before the start arrive as plugged in at the start.
#pragma once

#include <SDL_events.h>
#include <SDL_gamecontroller.h>

#include <cstdint>
#include <vector>

#include "platform/InputLatch.h"

class TPadSdl {
 public:
  // Owns the controllers it opened until CloseAll, which must come before SDL's controller
  // subsystem ends (that frees them itself).
  TPadSdl() = default;
  TPadSdl(const TPadSdl&) = delete;
  TPadSdl& operator=(const TPadSdl&) = delete;

  // Feeds one event: a controller plugged in is opened, one pulled out is closed and what it
  // held let go; its buttons and axes press and release the virtual keys. Returns the virtual
  // key of a fresh press the program handles itself (Start: VK_PAUSE), else 0.
  int Feed(const SDL_Event& event, TInputLatch& latch);
  // Closes every controller, letting go of what each held.
  void CloseAll(TInputLatch& latch);
  int Open() const { return static_cast<int>(FPads.size()); }

  // How far the stick leans before it walks, of 32767.
  static constexpr int StickDeadZone = 16000;

 private:
  struct TPad {
    SDL_GameController* Controller = nullptr;
    SDL_JoystickID Id = -1;
    bool Up = false, Down = false, Left = false, Right = false;  // the d-pad
    int StickX = 0, StickY = 0;
    int WalkKey = 0;    // the direction key it holds down; 0: none
    uint32_t Held = 0;  // bit b: button b (not the d-pad) is down
  };
  TPad* Find(SDL_JoystickID id);
  void Close(TPad& pad, TInputLatch& latch);
  static void Walk(TPad& pad, TInputLatch& latch);

  std::vector<TPad> FPads;
};
