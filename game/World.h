// PLACEHOLDER: the world and the game procedures the host calls (the game layer fills this in).
#pragma once

void GameStart();
void GameFrame();
void GameStop();
// Set when the game asks for the main window to close (Esc in free mode); the host reads it.
extern bool CloseRequested;
