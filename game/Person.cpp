// TPerson's movement and behaviour: steps, turns, occupancy marks, jumps, wandering,
// path following and the current person's keys.
#include "game/Person.h"

#include "core/Settings.h"
#include "game/Random.h"
#include "game/World.h"
#include "platform/VirtualKeys.h"

namespace {

// The cell offset of a direction digit; false for "5" and anything not a digit 1..9.
bool DigitOffset(char digit, int& dx, int& dy) {
  if (digit < '1' || digit > '9' || digit == '5') return false;
  const int v = digit - '0' - 5;  // 3 * DX + DY
  dx = (v + 4) / 3 - 1;           // rounds v / 3 to the nearest
  dy = v - 3 * dx;
  return true;
}

struct TKeyRow {
  int First, Second, DX, DY;
};
constexpr TKeyRow MovementKeys[] = {
    {VK_NUMPAD9, VK_PRIOR, +1, 0}, {VK_NUMPAD1, VK_END, -1, 0},   {VK_NUMPAD7, VK_HOME, 0, -1},
    {VK_NUMPAD3, VK_NEXT, 0, +1},  {VK_UP, VK_NUMPAD8, +1, -1},   {VK_RIGHT, VK_NUMPAD6, +1, +1},
    {VK_DOWN, VK_NUMPAD2, -1, +1}, {VK_LEFT, VK_NUMPAD4, -1, -1},
};

// Person 2's two lines, CP949.
// "화무는 십일홍이요" (no flower stays red ten days)
constexpr char FlowerLine[] = "\xc8\xad\xb9\xab\xb4\xc2\x20\xbd\xca\xc0\xcf\xc8\xab\xc0\xcc\xbf\xe4";
// "달도 차면 기우느니라" (even the moon wanes once it is full)
constexpr char MoonLine[] = "\xb4\xde\xb5\xb5\x20\xc2\xf7\xb8\xe9\x20\xb1\xe2\xbf\xec\xb4\xc0\xb4\xcf\xb6\xf3";

}  // namespace

TPerson::TPerson(int Id, int FrameKind, int FigureMode) : TSprite(Id, FrameKind) {
  FFigureMode = FigureMode;
  ClearSpeech();
  FWidth = 54;
  FHeight = 70;
}

bool TPerson::IsCurrent() const { return World && World->FCurrent == FId; }

int TPerson::StepFrames() const {
  const int frames = FStepVector.X * FStepVector.Y == 1 ? 2 * WalkFrame : WalkFrame;
  return frames < 1 ? 1 : frames;
}

void TPerson::SetDirection(const TPoint& V) {
  if (V.Y < 0) FDirection = 2;
  if (V.Y > 0) FDirection = 1;
  if (V.X < 0) FDirection = 0;
  if (V.X > 0) FDirection = 3;
}

void TPerson::Animate() {
  FAnimTick += 1;
  if (FAnimTick < FaceCount) return;
  FStep += FStepDelta;
  if (FStepDelta > 0 && FStep >= 3) FStep = 0;
  if (FStepDelta <= 0 && FStep < 0) FStep = 2;
  FAnimTick = 0;
}

int TPerson::GetFrameIndex() {
  if (FFigureMode != 12) return 0;
  if (FIdleFrames > 1) FStep = 1;
  if (FLift > 0) FStep = 1;
  return FDirection * 3 + FStep;
}

void TPerson::TryStep(int DX, int DY) {
  if (FMoving) return;
  const int nx = FCellX + DX, ny = FCellY + DY;
  if (!TMap::OnMap(nx, ny)) return;
  const uint8_t old = FDirection;
  SetDirection(TPoint{DX, DY});
  if (FDirection != old) return;
  FStepVector = TPoint{0, 0};
  if (FLift == 0) World->PlaySoundAt(1, TPoint{FCellX, FCellY});
  TMap& map = *World->FMap;
  bool allowed = map.CanStepLifted(FCellX, FCellY, nx, ny, FLift);
  if (!allowed && !InAir()) allowed = map.CanStep(FCellX, FCellY, nx, ny);
  if (allowed) {
    if (DX * DY == 0)
      FStepVector = TPoint{DX, DY};
    else if (map.CanStep(FCellX, FCellY, FCellX, ny) && map.CanStep(FCellX, FCellY, nx, FCellY))
      FStepVector = TPoint{DX, DY};
  }
  if (FStepVector == TPoint{0, 0}) {
    SetDirection(TPoint{DX, DY});
    return;
  }
  SetDirection(FStepVector);
  map.SetCell(CellOccupant, nx, ny, static_cast<uint8_t>(FId + 100));
  FStepCount = 0;
  FMoving = true;
  AdvanceStep();
}

void TPerson::AdvanceStep() {
  if (!FMoving) return;
  FIdleFrames = 0;
  FStepCount += 1;
  Animate();
  if (IsCurrent() && KeyPressedSince(VK_CONTROL)) Jump(FJumpSpeed);
  const bool longDiagonal = FStepVector.X * FStepVector.Y == 1;
  if (FStepCount >= StepFrames()) {
    TMap& map = *World->FMap;
    map.SetCell(CellOccupant, FCellX, FCellY, 0);
    FCellX += FStepVector.X;
    FCellY += FStepVector.Y;
    map.SetCell(CellOccupant, FCellX, FCellY, static_cast<uint8_t>(FId));
    FMoving = false;
    FStepVector = TPoint{0, 0};
  }
  if (FMoving && longDiagonal && FStepCount == WalkFrame && FLift == 0) World->PlaySoundAt(1, TPoint{FCellX, FCellY});
}

void TPerson::EndOrder() {
  FFreeMode = true;
  World->FOrderActive = false;
  World->FOrderOccupant = 0;
}

void TPerson::FollowPath() {
  if (KeyPressedSince(VK_ESCAPE) || KeyPressedSince(VK_RBUTTON)) {
    FPath.clear();
    EndOrder();
    return;
  }
  int dx = 0, dy = 0;
  if (FPath.empty())
    EndOrder();
  else if (DigitOffset(FPath.front(), dx, dy))
    TryStep(dx, dy);
  if (!FPath.empty()) FPath.erase(0, 1);
  if (IsCurrent() && KeyPressedSince(VK_CONTROL)) Jump(FJumpSpeed);
}

void TPerson::ObeyKeys() {
  for (const TKeyRow& row : MovementKeys) {
    if (KeyDownNow(row.First) || KeyDownNow(row.Second)) {
      World->SetCameraFree(false);
      TryStep(row.DX, row.DY);
    }
  }
  if (KeyPressedSince(VK_CONTROL)) Jump(FJumpSpeed);
  if (KeyPressedSince(VK_ESCAPE)) CloseRequested = true;
  if (KeyPressedSince(VK_INSERT)) World->SelectNextPerson();
}

void TPerson::SpeakLines() {
  if (Random(100) != 0) return;
  ClearSpeech();
  Say(FlowerLine, RGB(255, 150, 200));
  Say(MoonLine, RGB(250, 150, 255));
  HoldSpeech(1000);
}

void TPerson::Wander() {
  if (Random(100) != 0) return;
  int a = Random(2) * 2 - 1;
  int b = Random(2) * 2 - 1;
  if (Random(2) == 0)
    a = 0;
  else
    b = 0;
  TryStep(a, b);
}

bool TPerson::Update() {
  World->FMap->Reveal(FCellX, FCellY, 7);
  if (InAir()) {
    FLift += FLiftSpeed;
    FLiftSpeed -= FGravity;
    if (FLift <= 0) {
      FLift = 0;
      FLiftSpeed = 0;
    }
  }
  if (FMoving) {
    AdvanceStep();
    return true;
  }
  if (!FFreeMode) {
    FollowPath();
    return true;
  }
  if (IsCurrent())
    ObeyKeys();
  else if (FId == 2)
    SpeakLines();
  else
    Wander();
  if (!FMoving) FIdleFrames += 1;
  return true;
}
