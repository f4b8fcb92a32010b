// TSystem::DrawWorld: terrain stacks under the fog in screen-row order, persons, the
// see-through pass, selection marks and speech.
#include <vector>

#include "game/Random.h"
#include "game/World.h"
#include "gfx/DDUtils.h"
#include "gfx/Display.h"
#include "gfx/Drawing.h"
#include "host/Settings.h"

namespace {

constexpr size_t MaxListed = 100;  // persons remembered for the later passes
constexpr int LevelPixels = 13;    // screen pixels per height level
constexpr int WaterKind = 4;       // drawn 13 pixels lower and fully lit when lit at all

struct ListedPerson {
  TPoint Anchor;
  TPerson* Who;
};

// The pixel offset of a person's progress through its step.
TPoint stepOffset(const TPerson& p) {
  const int dx = p.FStepVector.X, dy = p.FStepVector.Y;
  const int k = p.FStepCount, g = p.StepFrames();
  return TPoint{k * (dx + dy) * 30 / g, k * (dy - dx) * 14 / g};
}

void drawTileStack(TSystem& world, const TPoint& anchor, uint8_t code, int height, int light) {
  // A tile code past the table belongs to a stored kind above 5: it has no picture.
  if (code >= std::size(world.FTiles) || !world.FTiles[code]) return;
  TTile& tile = *world.FTiles[code];
  const bool water = code / 4 == WaterKind;
  const int base = anchor.Y + (water ? LevelPixels : 0);
  for (int level = 0; level <= height; ++level) {
    const TPoint p{anchor.X, base - LevelPixels * level};
    if (light == 2 || (water && light == 1))
      tile.Draw(p);
    else
      tile.DrawShaded(p, light == 0);
  }
}

// One frame's person list and the cell drawing that fills it.
class CellPainter {
 public:
  CellPainter(TSystem& world, TPoint off) : FWorld(world), FMap(*world.FMap), FOff(off) {
    FListed.reserve(MaxListed);
  }

  // The cell (cx, cy) whose ground anchor, before the camera offsets, is (x, yr).
  void Paint(int cx, int cy, int x, int yr) {
    // Off the map every byte reads 0: unlit and unexplored, so nothing is drawn.
    if (!TMap::OnMap(cx, cy)) return;
    const TMapCell& cell = FMap.FCells[cy][cx];
    const int light = cell.Light;
    if (light == 0 && cell.Explored == 0) return;
    const uint8_t code = FMap.GetCell(CellKind, cx, cy);  // the tile code, from the neighbours too
    const int h = cell.Height;
    const int occ = cell.Occupant;
    drawTileStack(FWorld, TPoint{x - FOff.X, yr - FOff.Y}, code, h, light);
    if (light == 0) return;
    if (occ >= 1 && occ <= PersonCount) {
      if (TPerson* p = FWorld.Person(occ)) {
        const TPoint s = stepOffset(*p);
        const int ground = FMap.GetCell(CellHeight, cx + p->FStepVector.X, cy + p->FStepVector.Y);
        Add(p, TPoint{x - FOff.X + s.X, yr - LevelPixels * ground - 20 - FOff.Y + s.Y});
      }
    } else if (occ >= 101 && occ <= 100 + PersonCount) {
      // The stepping person again, after its target cell's tiles, at the same point.
      TPerson* p = FWorld.Person(occ - 100);
      if (p && p->FAddLevel == 100 && p->FOpacity == 100) {
        const TPoint s = stepOffset(*p);
        const int dx = p->FStepVector.X, dy = p->FStepVector.Y;
        Add(p, TPoint{x - FOff.X - 30 * (dx + dy) + s.X,
                      yr - LevelPixels * h - 20 - 14 * (dy - dx) - FOff.Y + s.Y});
      }
    }
  }

  // See-through figures, selection marks and speech over everything drawn.
  void Finish() {
    for (ListedPerson& entry : FListed) {
      entry.Who->DrawSeeThrough(entry.Anchor);
      entry.Anchor.Y -= entry.Who->FLift;
    }
    for (const ListedPerson& entry : FListed) {
      const TPerson& p = *entry.Who;
      if (!(FWorld.FSelected & (1u << (p.FId & 7)))) continue;
      const TRect mark = MakeRect(416 + 12 * Random(10), 0, 12, 12);
      DrawKeyed(entry.Anchor.X + p.FWidth / 2 - 12, entry.Anchor.Y - p.FHeight + 10, 1, mark, false);
    }
    for (const ListedPerson& entry : FListed) entry.Who->DrawSpeech(entry.Anchor.X, entry.Anchor.Y - 100);
  }

 private:
  void Add(TPerson* p, const TPoint& anchor) {
    p->Draw(anchor);
    if (FListed.size() < MaxListed) FListed.push_back({anchor, p});
  }

  TSystem& FWorld;
  TMap& FMap;
  TPoint FOff;
  std::vector<ListedPerson> FListed;
};

}  // namespace

void TSystem::DrawWorld() {
  if (Display && Display->FBackBuffer) ClearSurface(Display->FBackBuffer.get(), 0);
  const bool high = Settings.HighRes;
  const int H = high ? 8 : 7, V = high ? 24 : 20;

  TPoint cam{FCameraX, FCameraY}, off{FScrollX, FScrollY};
  const TSprite* current = FCurrent >= 1 && FCurrent <= ActorCount ? FActors[FCurrent].get() : nullptr;
  if (!FCameraFree) {
    cam = current ? TPoint{current->FCellX, current->FCellY} : TPoint{};
    const TPerson* p = Person(FCurrent);
    off = p ? stepOffset(*p) : TPoint{};
  }
  if (current) FMap->Reveal(current->FCellX, current->FCellY, 7);
  cam.X += high ? 12 : 10;
  cam.Y += high ? 5 : 4;
  FViewX = cam.X;
  FViewY = cam.Y - V;

  CellPainter painter(*this, off);
  int colBase = 1 - H, rowBase = -V;
  for (int r = -V; r <= V; ++r) {
    // Odd rows sit half a cell right of even ones.
    int x0;
    if (r & 1) {
      x0 = -30;
      rowBase += 1;
    } else {
      x0 = -60;
      colBase -= 1;
    }
    const int yr = (r + V) * 14 + 14;
    for (int j = 0; j <= 2 * H; ++j) painter.Paint(cam.X + colBase + j, cam.Y + rowBase + j, x0 + 60 * j, yr);
  }
  painter.Finish();
}
