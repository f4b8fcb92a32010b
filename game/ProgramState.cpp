#include "game/ProgramState.h"

#include <optional>

#include "core/Log.h"
#include "core/Settings.h"
#include "game/World.h"
#include "gfx/GraphicsState.h"
#include "platform/GameInput.h"
#include "platform/Platform.h"
#include "res/Resources.h"
#include "sound/DXSound1.h"

void ResetProgramState() {
  // The world first: nothing of it may outlive the display it draws on.
  ResetGame();
  ResetSoundVolume();
  ResetSettings();
  ResetLog();
  PlatformResetState();
  SetGameInput(nullptr);
  SetResourceTableForTesting(std::nullopt);
  ResetGraphics();
}
