// Opening the display for the main window: its icon, and what a step that failed says.
#pragma once

#include <string>

#include "platform/Platform.h"

// The message of a display set-up step that failed on the platform. Where the message ends
// in " : " the number is -1, the platform's own failure result.
std::string SetupFailureMessage(TPlatformDisplayStep step, bool fullScreen);

// Opens the platform's display as `config` asks, with the program's icon. A step that fails ends
// the start: its message thrown, what the platform said about it warned first.
void OpenDisplay(TPlatformDisplayConfig config);
