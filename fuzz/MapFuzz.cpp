// Fuzzes the stored map: any bytes as the "Map" resource (and as a loose MAP.DAT), then a game
// started on them and a few frames played with input taken from the same bytes.
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <memory>
#include <string>

#include "core/Settings.h"
#include "game/ProgramState.h"
#include "game/World.h"
#include "gfx/Display.h"
#include "gfx/Drawing.h"
#include "platform/VirtualKeys.h"
#include "platform/headless/PlatformHeadless.h"
#include "res/Resources.h"
#include "util/ScratchPath.h"

namespace {
std::unique_ptr<TDisplay> FuzzDisplay;  // made once: loading the sheets for every input would dominate
const TScratchPath MapFile("corvina-mapfuzz");

void PlayFrames(const uint8_t* data, size_t size) {
  // The last bytes steer: pointer position and a few keys, so the pointer code and the
  // persons' steps run over whatever the map holds.
  const uint8_t a = size > 0 ? data[size - 1] : 0, b = size > 1 ? data[size - 2] : 0;
  HeadlessSetCursor({a * 3 - 60, b * 2 - 30});
  if (a & 1) HeadlessKeyDown(VK_UP);
  if (a & 2) HeadlessKeyTap(VK_CONTROL);
  if (a & 4) HeadlessKeyTap(VK_ADD);
  if (a & 8) HeadlessKeyDown('3');
  for (int i = 0; i < 3; ++i) {
    GameFrame();
    HeadlessAdvanceClock();
  }
  if (b & 1) {
    World->FSelected = 0x1E;
    HeadlessKeyTap(VK_RBUTTON);
    GameFrame();
  }
}
}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  ResetProgramState();
  FuzzDisplay = std::make_unique<TDisplay>();
  FuzzDisplay->CreateSurfaces(true);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  ResetProgramState();
  Display = FuzzDisplay.get();
  SelectPixelFormat(static_cast<uint8_t>(FuzzDisplay->FPixelKind));
  std::span<const uint8_t> bytes(data, size);
  // The resource path reads what there is; a short resource fills only the first cells.
  SetResourceTableForTesting(std::vector<TResource>{{"Map", RT_MAP, bytes}});
  Settings.UseResources = true;
  try {
    GameStart();
    PlayFrames(data, size);
  } catch (const std::exception&) {
  }
  GameStop();
  // The loose-file path refuses a short file with a message; a full one plays like the resource.
  std::ofstream(MapFile.Path, std::ios::binary)
      .write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  MapFileOverride = MapFile.Path.string();
  try {
    GameStart();
    PlayFrames(data, size);
  } catch (const std::exception&) {
  }
  ResetProgramState();
  return 0;
}
