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

  std::vector<ListedPerson> listed;
  listed.reserve(MaxListed);
  auto drawPerson = [&](TPerson* p, const TPoint& anchor) {
    p->Draw(anchor);
    if (listed.size() < MaxListed) listed.push_back({anchor, p});
  };

  int colBase = 1 - H, rowBase = -V;
  for (int r = -V; r <= V; ++r) {
    int x0;
    if (r & 1) {
      x0 = -30;
      rowBase += 1;
    } else {
      x0 = -60;
      colBase -= 1;
    }
    const int yr = (r + V) * 14 + 14;
    for (int j = 0; j <= 2 * H; ++j) {
      const int cx = cam.X + colBase + j, cy = cam.Y + rowBase + j;
      const int x = x0 + 60 * j;
      const uint8_t code = FMap->GetCell(CellKind, cx, cy);
      const int h = FMap->GetCell(CellHeight, cx, cy);
      const int occ = FMap->GetCell(CellOccupant, cx, cy);
      const int light = FMap->GetCell(CellLight, cx, cy);
      if (light == 0 && FMap->GetCell(CellExplored, cx, cy) == 0) continue;
      drawTileStack(*this, TPoint{x - off.X, yr - off.Y}, code, h, light);
      if (light == 0) continue;
      if (occ >= 1 && occ <= PersonCount) {
        if (TPerson* p = Person(occ)) {
          const TPoint s = stepOffset(*p);
          const int dx = p->FStepVector.X, dy = p->FStepVector.Y;
          const int ground = FMap->GetCell(CellHeight, cx + dx, cy + dy);
          drawPerson(p, TPoint{x - off.X + s.X, yr - LevelPixels * ground - 20 - off.Y + s.Y});
        }
      } else if (occ >= 101 && occ <= 100 + PersonCount) {
        TPerson* p = Person(occ - 100);
        if (p && p->FAddLevel == 100 && p->FOpacity == 100) {
          const TPoint s = stepOffset(*p);
          const int dx = p->FStepVector.X, dy = p->FStepVector.Y;
          drawPerson(p, TPoint{x - off.X - 30 * (dx + dy) + s.X,
                               yr - LevelPixels * h - 20 - 14 * (dy - dx) - off.Y + s.Y});
        }
      }
    }
  }

  for (ListedPerson& entry : listed) {
    entry.Who->DrawSeeThrough(entry.Anchor);
    entry.Anchor.Y -= entry.Who->FLift;
  }
  for (const ListedPerson& entry : listed) {
    const TPerson& p = *entry.Who;
    if (!(FSelected & (1u << (p.FId & 7)))) continue;
    const TRect mark = MakeRect(416 + 12 * Random(10), 0, 12, 12);
    DrawKeyed(entry.Anchor.X + p.FWidth / 2 - 12, entry.Anchor.Y - p.FHeight + 10, 1, mark, false);
  }
  for (const ListedPerson& entry : listed) entry.Who->DrawSpeech(entry.Anchor.X, entry.Anchor.Y - 100);
}
