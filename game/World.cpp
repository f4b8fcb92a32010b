// TSystem's construction, camera and sound helpers, and the game procedures the host calls.
#include "game/World.h"

#include <algorithm>

#include "core/Settings.h"
#include "game/FrameTiming.h"
#include "game/Random.h"
#include "gfx/Display.h"
#include "platform/GameInput.h"
#include "platform/VirtualKeys.h"
#include "res/Resources.h"
#include "sound/DXSound1.h"

TSystem* World = nullptr;
TDXSound* HostSound = nullptr;
bool CloseRequested = false;
std::string MapFileOverride;
std::vector<uint8_t> MapDataOverride;

namespace {
std::unique_ptr<TSystem> StartedWorld;  // the world GameStart made, until GameStop
}  // namespace

TSystem::TSystem() { SetCameraFree(false); }
TSystem::~TSystem() = default;

TPerson* TSystem::Person(int Index) const {
  if (Index < 1 || Index > PersonCount) return nullptr;
  return dynamic_cast<TPerson*>(FActors[Index].get());
}

void TSystem::PlacePersons() {
  if (!FMap) return;
  for (int n = 1; n <= PersonCount; ++n) {
    TSprite* person = FActors[n].get();
    if (!person) continue;
    if (const auto cell = FMap->TStartCell(person->FId)) {
      person->FCellX = cell->X;
      person->FCellY = cell->Y;
    }
  }
}

void TSystem::SetCameraFree(bool Value) {
  const TSprite* current = FCurrent >= 1 && FCurrent <= ActorCount ? FActors[FCurrent].get() : nullptr;
  if (Value && !FCameraFree && current) {
    FCameraX = current->FCellX;
    FCameraY = current->FCellY;
    FScrollX = 0;
    FScrollY = 0;
  }
  if (!Value && FCameraFree && current) {
    FScrollX = 0;
    FScrollY = 0;
  }
  FCameraFree = Value;
}

void TSystem::SelectNextPerson() {
  FCurrent += 1;
  if (FCurrent > PersonCount) FCurrent = 1;
}

void TSystem::PlaySoundAt(int Slot, const TPoint& Cell) {
  if (!Settings.SoundOn || !HostSound || !FMap) return;
  const TPoint p = CellToScreen(Cell);
  const int pan = std::clamp(p.X + 15 - 320, -256, 256);
  HostSound->SetPan(Slot, pan);
  HostSound->Play(Slot);
}

std::unique_ptr<TMap> LoadGameMap() {
  if (!MapDataOverride.empty()) {
    auto map = std::make_unique<TMap>();
    map->LoadFromBytes(MapDataOverride);
    return map;
  }
  if (!MapFileOverride.empty()) return TMap::CreateFromFile(MapFileOverride);
  if (Settings.UseResources) return TMap::CreateFromResource("Map", RT_MAP);
  const std::string dir = ProgramDirectory();
  const auto found = FindLooseFile(dir, "MAP.DAT");
  return TMap::CreateFromFile(found ? *found : dir + "MAP.DAT");
}

namespace {

void FillTiles(TSystem& world) {
  for (int r = 0; r < 6; ++r)
    for (int c = 0; c < 4; ++c)
      world.FTiles[r * 4 + c] = std::make_unique<TTile>(1, MakeRect(60 * c, 45 * r + 2, 60, 45));
}

// Left and top of character picture (kind, direction d, step s) on sheet 2.
TPoint FrameCorner(int kind, int d, int s) {
  if (kind <= 3) return {(kind - 1) * 165 + 55 * s + 1, 71 * d + 1};
  const int base = kind == 4 ? 1 : 329;
  const int secondBlock = kind == 4 ? 166 : 493;
  if (d < 2) return {55 * s + base, 71 * d + 285};
  return {55 * s + secondBlock, 71 * (d - 2) + 285};
}

void FillFrames(TSystem& world) {
  for (int kind = 1; kind <= FrameKinds; ++kind)
    for (int d = 0; d < 4; ++d)
      for (int s = 0; s < 3; ++s) {
        const TPoint corner = FrameCorner(kind, d, s);
        world.FFrames[kind][d * 3 + s] = TSheetFrame{2, MakeRect(corner.X, corner.Y, 54, 70)};
      }
}

}  // namespace

void GameStart() {
  GameStop();
  auto world = std::make_unique<TSystem>();
  for (int i = 1; i <= PersonCount; ++i) world->FActors[i] = std::make_unique<TPerson>(i, i, 12);
  world->Person(2)->FAddLevel = 80;
  world->Person(3)->FOpacity = 50;
  world->Person(4)->FBrightness = 40;
  world->FMap = LoadGameMap();
  world->PlacePersons();
  FillTiles(*world);
  FillFrames(*world);
  StartedWorld = std::move(world);
  World = StartedWorld.get();
  for (int vk = 1; vk <= 145; ++vk) KeyState(vk);
  World->SetCameraFree(true);
}

void GameStop() {
  World = nullptr;
  StartedWorld.reset();
}

void ResetGame() {
  GameStop();
  HostSound = nullptr;
  CloseRequested = false;
  MapFileOverride.clear();
  MapDataOverride.clear();
  RandSeed = 0;
}

void UpdateWorld(bool WithPointer, bool WithOverlay) {
  World->FFrameCount += 1;
  World->DrawWorld();
  if (WithPointer) World->HandlePointer();
  if (WithOverlay) FinishFrame();
}

void GameFrame() {
  if (!World) return;
  // The whole frame, from the world to the overlay, goes onto one list, drawn where it can
  // differ just before the frame is shown. One not shown (no display, or a throw) is let go.
  TSystem& world = *World;
  world.FView.FFrameOpen = true;
  struct TFrameClose {
    TSystem& World;
    ~TFrameClose() {
      World.FView.FFrameOpen = false;
      World.FView.FFrame.Restart();
    }
  } close{world};
  // The way back from a free camera that has wandered off: the view follows the person again.
  if (KeyPressedSince(VK_SPACE)) World->SetCameraFree(false);
  UpdateWorld(true, false);
  World->FMap->ClearLight();
  for (int i = 1; i <= PersonCount; ++i)
    if (World->FActors[i]) World->FActors[i]->Update();
  for (int i = PersonCount + 1; i <= ActorCount; ++i) {
    if (!World->FActors[i]) continue;
    World->FActors[i]->Update();
    World->FActors[i]->Draw(world.FView.FFrame, TPoint{200, 200});
  }
  FinishFrame();
}

uint16_t KeyState(int VK) { return GameHasFocus() ? GameAsyncKeyState(VK) : 0; }

bool PointInRect(const TRect& Rect, const TPoint& Point) {
  return Rect.Left <= Point.X && Point.X <= Rect.Right && Rect.Top <= Point.Y && Point.Y <= Rect.Bottom;
}

void SwapInts(int& A, int& B) { std::swap(A, B); }
