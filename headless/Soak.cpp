// The soak: seeded random input against the real game, invariants after every frame.
#include "headless/Soak.h"

#include <deque>
#include <functional>
#include <random>

#include "core/Settings.h"
#include "game/World.h"
#include "headless/HeadlessSession.h"
#include "platform/VirtualKeys.h"
#include "platform/headless/PlatformHeadless.h"

namespace {

constexpr int MovementKeys[] = {VK_NUMPAD9, VK_PRIOR,   VK_NUMPAD1, VK_END,    VK_NUMPAD7, VK_HOME,
                                VK_NUMPAD3, VK_NEXT,    VK_UP,      VK_RIGHT,  VK_DOWN,    VK_LEFT,
                                VK_NUMPAD8, VK_NUMPAD6, VK_NUMPAD2, VK_NUMPAD4};
constexpr int TapKeys[] = {VK_CONTROL, VK_INSERT, VK_ESCAPE, VK_RBUTTON, VK_ADD, VK_SUBTRACT};

std::string At(long frame, const std::string& what) { return "frame " + std::to_string(frame) + ": " + what; }

// The soak's own input generator: never the game's Random, so the game's sequence is its own.
class TInputDriver {
 public:
  explicit TInputDriver(uint32_t seed) : FRng(seed) {}

  // Returns the number of map-editing presses made this frame.
  int Drive() {
    int edits = 0;
    // A gesture under way takes its next step; a new one starts now and then.
    if (FGesture.empty() && Chance(150)) SelectAndOrder();
    if (!FGesture.empty()) {
      FGesture.front()();
      FGesture.pop_front();
    }
    if (Chance(8)) Toggle(MovementKeys[Pick(std::size(MovementKeys))]);
    if (Chance(40)) HeadlessKeyTap(TapKeys[Pick(std::size(TapKeys))]);
    if (Chance(25)) MovePointer();
    if (Chance(30)) Toggle(VK_LBUTTON);  // opens and closes selection rectangles
    if (Chance(60)) {
      Toggle('1' + static_cast<int>(Pick(6)));
      ++edits;
    }
    if (Chance(500)) HeadlessSetFocus(false);
    if (Chance(100)) HeadlessSetFocus(true);
    return edits;
  }

 private:
  bool Chance(int oneIn) { return std::uniform_int_distribution<int>(0, oneIn - 1)(FRng) == 0; }
  size_t Pick(size_t n) { return std::uniform_int_distribution<size_t>(0, n - 1)(FRng); }
  int Range(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(FRng); }

  void Toggle(int vk) {
    if (FHeld[vk]) {
      HeadlessKeyUp(vk);
    } else {
      HeadlessKeyDown(vk);
    }
    FHeld[vk] = !FHeld[vk];
  }

  // Sweeps to every edge and corner, now and then far outside the screen.
  void MovePointer() {
    const int w = ScreenWidth, h = ScreenHeight;
    switch (Pick(4)) {
      case 0: HeadlessSetCursor({Range(0, w - 1), Range(0, h - 1)}); break;
      case 1: HeadlessSetCursor({Pick(2) ? 0 : w - 1, Range(0, h - 1)}); break;
      case 2: HeadlessSetCursor({Range(0, w - 1), Pick(2) ? 0 : h - 1}); break;
      default: HeadlessSetCursor({Range(-200, w + 200), Range(-200, h + 200)}); break;
    }
  }

  // Random input alone seldom selects anyone, so orders would be rare: this drags a rectangle
  // over a random part of the screen (often all of it) over a few frames, then right-clicks
  // somewhere, which orders whoever the rectangle caught.
  void SelectAndOrder() {
    const int w = ScreenWidth, h = ScreenHeight;
    const bool whole = Chance(2);
    const TPoint from = whole ? TPoint{1, 1} : TPoint{Range(0, w - 1), Range(0, h - 1)};
    const TPoint to = whole ? TPoint{w - 2, h - 2} : TPoint{Range(0, w - 1), Range(0, h - 1)};
    const TPoint goal{Range(0, w - 1), Range(0, h - 1)};
    FGesture.push_back([this, from] {
      HeadlessSetCursor(from);
      Release(VK_LBUTTON);
    });
    FGesture.push_back([this] { Toggle(VK_LBUTTON); });
    FGesture.push_back([to] { HeadlessSetCursor(to); });
    FGesture.push_back([this] { Release(VK_LBUTTON); });
    FGesture.push_back([goal] {
      HeadlessSetCursor(goal);
      HeadlessKeyTap(VK_RBUTTON);
    });
  }

  void Release(int vk) {
    if (FHeld[vk]) Toggle(vk);
  }

  std::mt19937 FRng;
  bool FHeld[256] = {};
  std::deque<std::function<void()>> FGesture;  // one step per frame
};

}  // namespace

std::vector<std::string> CheckWorldInvariants(const bool stepped[5]) {
  std::vector<std::string> out;
  const TSystem& w = *World;
  const TMap& map = *w.FMap;
  auto occupant = [&](int x, int y) { return map.GetCell(CellOccupant, x, y); };
  int cellOwner[MapSize][MapSize] = {};
  for (int i = 1; i <= PersonCount; ++i) {
    const TPerson& p = *w.Person(i);
    if (p.FLift < 0) out.push_back("person " + std::to_string(i) + " has a negative lift");
    if (stepped[i] && occupant(p.FCellX, p.FCellY) != i) {
      out.push_back("person " + std::to_string(i) + "'s cell does not hold its number");
    }
    if (p.FMoving) {
      const int tx = p.FCellX + p.FStepVector.X, ty = p.FCellY + p.FStepVector.Y;
      if (occupant(tx, ty) != 100 + i) {
        out.push_back("person " + std::to_string(i) + "'s target does not hold its mark");
      }
    }
    if (p.FCellX < 0 || p.FCellX >= MapSize || p.FCellY < 0 || p.FCellY >= MapSize) {
      out.push_back("person " + std::to_string(i) + " is off the map");
      continue;
    }
    if (stepped[i]) {
      if (cellOwner[p.FCellY][p.FCellX] != 0) out.push_back("two persons share a cell");
      cellOwner[p.FCellY][p.FCellX] = i;
    }
  }
  for (int y = 0; y < MapSize; ++y) {
    for (int x = 0; x < MapSize; ++x) {
      const int o = occupant(x, y);
      if (o == 0) continue;
      const int id = o > 100 ? o - 100 : o;
      if (id < 1 || id > PersonCount) {
        out.push_back("cell (" + std::to_string(x) + ", " + std::to_string(y) + ") holds " + std::to_string(o));
        continue;
      }
      const TPerson& p = *w.Person(id);
      const bool here = o < 100 ? (p.FCellX == x && p.FCellY == y)
                                : (p.FMoving && p.FCellX + p.FStepVector.X == x && p.FCellY + p.FStepVector.Y == y);
      if (!here) {
        out.push_back("cell (" + std::to_string(x) + ", " + std::to_string(y) + ") holds the mark " +
                      std::to_string(o) + " of a person not there");
      }
    }
  }
  if (w.FSelected & ~0x1Eu) out.push_back("selection outside persons 1..4");
  if (w.FCurrent < 1 || w.FCurrent > PersonCount) out.push_back("current person out of range");
  if (w.FScrollX < -30 || w.FScrollX > 29 || w.FScrollY < -14 || w.FScrollY > 13) {
    out.push_back("camera offsets (" + std::to_string(w.FScrollX) + ", " + std::to_string(w.FScrollY) +
                  ") outside their ranges");
  }
  return out;
}

TSoakResult RunSoak(const TSoakOptions& options) {
  TSoakResult result;
  THeadlessConfig config;
  config.HighRes = options.HighRes;
  THeadlessSession session(config);
  Settings.MapEditing = true;
  TInputDriver input(options.Seed);
  bool stepped[5] = {};
  bool wasMoving[5] = {};
  for (int i = 1; i <= PersonCount; ++i) {
    const TPerson& p = *World->Person(i);
    stepped[i] = World->FMap->GetCell(CellOccupant, p.FCellX, p.FCellY) == i;
  }
  for (long frame = 1; frame <= options.Frames; ++frame) {
    result.Edits += input.Drive();
    const bool ordered = World->FOrderActive;
    session.RunFrame();
    session.EndFrame();
    if (CloseRequested) {
      ++result.CloseRequests;
      CloseRequested = false;
    }
    if (!ordered && World->FOrderActive) ++result.Orders;
    for (int i = 1; i <= PersonCount; ++i) {
      const TPerson& p = *World->Person(i);
      if (p.FMoving && !wasMoving[i]) ++result.Steps;
      if (wasMoving[i] && !p.FMoving) stepped[i] = true;
      wasMoving[i] = p.FMoving;
    }
    ++result.FramesRun;
    for (const std::string& v : CheckWorldInvariants(stepped)) {
      if (result.Violations.size() < 20) result.Violations.push_back(At(frame, v));
    }
  }
  return result;
}
