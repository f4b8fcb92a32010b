// TSystem::DrawWorld: terrain stacks under the fog in screen-row order, persons, the
// see-through pass, selection marks and speech.
#include <vector>

#include "core/Settings.h"
#include "game/Random.h"
#include "game/StackCover.h"
#include "game/World.h"
#include "gfx/DDUtils.h"
#include "gfx/Display.h"
#include "gfx/Drawing.h"
#include "gfx/FrameList.h"

namespace {

constexpr size_t MaxListed = 100;  // persons remembered for the later passes

// One place of the view: its cell, its ground anchor before the camera offsets, its stack.
struct TViewSlot {
  int CX, CY, X, Y;
  TStackSlot Stack;
};

struct TListedPerson {
  TPoint Anchor;
  TPerson* Who;
};

// The pixel offset of a person's progress through its step.
TPoint StepOffset(const TPerson& p) {
  const int dx = p.FStepVector.X, dy = p.FStepVector.Y;
  const int k = p.FStepCount, g = p.StepFrames();
  return TPoint{k * (dx + dy) * 30 / g, k * (dy - dx) * 14 / g};
}

// Everything the clear under the view depends on, word for word.
std::vector<uint64_t> GroundInputs(const std::vector<TGroundRow>& rows, int columns) {
  std::vector<uint64_t> words;
  words.reserve(2 * rows.size() + 1);
  words.push_back(static_cast<uint64_t>(columns));
  for (const TGroundRow& r : rows) {
    words.push_back(static_cast<uint64_t>(static_cast<uint32_t>(r.Centre.X)) << 32 | static_cast<uint32_t>(r.Centre.Y));
    words.push_back(r.Covers);
  }
  return words;
}

void DrawTileStack(TFrameList& frame, TTile& tile, const TPoint& anchor, const TStackSlot& slot, int light,
                   const TLevelRows* rows, const TStackCover& cover) {
  const bool water = slot.Code / 4 == WaterKind;
  const bool lit = light == 2 || (water && light == 1);
  const int base = anchor.Y + (water ? LevelPixels : 0);
  const int height = tile.FSourceRect.Bottom - tile.FSourceRect.Top;
  for (int level = 0; level <= slot.Height; ++level) {
    const TPoint p{anchor.X, base - LevelPixels * level};
    if (rows != nullptr && (rows[level].From != 0 || rows[level].To != height || rows[level].Cut != 0)) {
      if (rows[level].From < rows[level].To) {
        tile.DrawRows(frame, p, rows[level].From, rows[level].To,
                      lit          ? TTile::Lit
                      : light == 0 ? TTile::Half
                                   : TTile::ThreeQuarters,
                      cover.Cut(rows[level].Cut));
      }
    } else if (lit) {
      tile.Draw(frame, p);
    } else {
      tile.DrawShaded(frame, p, light == 0);
    }
  }
}

// One frame's person list and the cell drawing that fills it.
class TCellPainter {
 public:
  TCellPainter(TSystem& world, TFrameList& frame, TPoint off)
      : FWorld(world), FMap(*world.FMap), FFrame(frame), FOff(off) {
    FListed.reserve(MaxListed);
  }

  // Cell (cx, cy) when anything of it is drawn; null off the map or under the fog.
  const TMapCell* PaintedCell(int cx, int cy) const {
    // Off the map every byte reads 0: unlit and unexplored, so nothing is drawn.
    if (!TMap::OnMap(cx, cy)) return nullptr;
    const TMapCell& cell = FMap.FCells[cy][cx];
    return cell.Light == 0 && cell.Explored == 0 ? nullptr : &cell;
  }

  // The stack cell (cx, cy) shows: Code -1 off the map, under the fog or without a picture.
  TStackSlot StackAt(int cx, int cy) const {
    const TMapCell* cell = PaintedCell(cx, cy);
    if (cell == nullptr) return {};
    const uint8_t code = FMap.TileCode(cx, cy);  // from the neighbours too
    // A tile code past the table belongs to a stored kind above 5: it has no picture.
    if (code >= std::size(FWorld.FTiles) || !FWorld.FTiles[code]) return {};
    return {code, cell->Height};
  }

  // The place v of the view; rows: what to draw of each level of its stack (null: all).
  void Paint(const TViewSlot& v, const TLevelRows* rows, const TStackCover& cover) {
    const int cx = v.CX, cy = v.CY, x = v.X, yr = v.Y;
    const TMapCell* cell = PaintedCell(cx, cy);
    if (cell == nullptr) return;
    const int light = cell->Light;
    const int h = cell->Height;
    const int occ = cell->Occupant;
    if (v.Stack.Code >= 0) {
      DrawTileStack(FFrame, *FWorld.FTiles[v.Stack.Code], TPoint{x - FOff.X, yr - FOff.Y}, v.Stack, light, rows, cover);
    }
    if (light == 0) return;
    if (occ >= 1 && occ <= PersonCount) {
      if (TPerson* p = FWorld.Person(occ)) {
        const TPoint s = StepOffset(*p);
        const int ground = FMap.GetCell(CellHeight, cx + p->FStepVector.X, cy + p->FStepVector.Y);
        Add(p, TPoint{x - FOff.X + s.X, yr - LevelPixels * ground - 20 - FOff.Y + s.Y});
      }
    } else if (occ >= 101 && occ <= 100 + PersonCount) {
      // The stepping person again, after its target cell's tiles, at the same point.
      TPerson* p = FWorld.Person(occ - 100);
      if (p && p->FAddLevel == 100 && p->FOpacity == 100) {
        const TPoint s = StepOffset(*p);
        const int dx = p->FStepVector.X, dy = p->FStepVector.Y;
        Add(p, TPoint{x - FOff.X - 30 * (dx + dy) + s.X, yr - LevelPixels * h - 20 - 14 * (dy - dx) - FOff.Y + s.Y});
      }
    }
  }

  // See-through figures, selection marks and speech over everything drawn.
  void Finish() {
    for (TListedPerson& entry : FListed) {
      entry.Who->DrawSeeThrough(FFrame, entry.Anchor);
      entry.Anchor.Y -= entry.Who->FLift;
    }
    for (const TListedPerson& entry : FListed) {
      const TPerson& p = *entry.Who;
      if (!(FWorld.FSelected & (1u << (p.FId & 7)))) continue;
      const TRect mark = MakeRect(416 + 12 * Random(10), 0, 12, 12);
      FFrame.Add(TSheetPicture::Of(TSheetPicture::Keyed, entry.Anchor.X + p.FWidth / 2 - 12,
                                   entry.Anchor.Y - p.FHeight + 10, 1, mark, false));
    }
    for (const TListedPerson& entry : FListed) entry.Who->DrawSpeech(FFrame, entry.Anchor.X, entry.Anchor.Y - 100);
  }

 private:
  void Add(TPerson* p, const TPoint& anchor) {
    p->Draw(FFrame, anchor);
    if (FListed.size() < MaxListed) FListed.push_back({anchor, p});
  }

  TSystem& FWorld;
  TMap& FMap;
  TFrameList& FFrame;
  TPoint FOff;
  std::vector<TListedPerson> FListed;
};

}  // namespace

void TSystem::DrawWorld() {
  const bool high = Settings.HighRes;
  const int H = high ? 8 : 7, V = high ? 24 : 20;

  TPoint cam{FCameraX, FCameraY}, off{FScrollX, FScrollY};
  const TSprite* current = FCurrent >= 1 && FCurrent <= ActorCount ? FActors[FCurrent].get() : nullptr;
  if (!FCameraFree) {
    cam = current ? TPoint{current->FCellX, current->FCellY} : TPoint{};
    const TPerson* p = Person(FCurrent);
    off = p ? StepOffset(*p) : TPoint{};
  }
  if (current) FMap->Reveal(current->FCellX, current->FCellY, 7);
  cam.X += high ? 12 : 10;
  cam.Y += high ? 5 : 4;
  FViewX = cam.X;
  FViewY = cam.Y - V;

  TCellPainter painter(*this, FView.FFrame, off);
  FView.FCover.Sync();
  const int columns = 2 * H + 1, rows = 2 * V + 1;
  std::vector<TViewSlot> view;
  view.reserve(static_cast<size_t>(columns) * rows);
  std::vector<TGroundRow> ground;
  ground.reserve(static_cast<size_t>(rows));
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
    TGroundRow& row = ground.emplace_back();
    row.Centre = GroundCentre(TPoint{x0 - off.X, yr - off.Y});
    for (int j = 0; j < columns; ++j) {
      const int cx = cam.X + colBase + j, cy = cam.Y + rowBase + j;
      TStackSlot stack = painter.StackAt(cx, cy);
      if (FView.FTrimHidden) stack.Cover = FView.FCover.Pack(*this, stack);
      if (FView.FCover.CoversGround(*this, stack)) row.Covers |= uint64_t{1} << j;
      view.push_back({cx, cy, x0 + 60 * j, yr, stack});
    }
  }
  std::vector<uint64_t> inputs = GroundInputs(ground, columns);
  FView.FFrame.SetGround(std::move(inputs), [this, ground = std::move(ground), columns](TDDSurface& back) {
    FView.FGroundClear.Clear(back, ground, columns);
  });
  // The stacks in front: half a cell left and right one row down, and straight down two rows.
  const auto at = [&](int row, int column) -> uint16_t {
    return row < rows && column >= 0 && column < columns ? view[static_cast<size_t>(row) * columns + column].Stack.Cover
                                                         : 0;
  };
  for (int row = 0; row < rows; ++row) {
    const bool odd = ((row - V) & 1) != 0;
    for (int j = 0; j < columns; ++j) {
      const TViewSlot& v = view[static_cast<size_t>(row) * columns + j];
      uint16_t front[3];
      front[FrontLeft] = at(row + 1, odd ? j : j - 1);
      front[FrontRight] = at(row + 1, odd ? j + 1 : j);
      front[Front] = at(row + 2, j);
      painter.Paint(v, FView.FCover.Rows(v.Stack.Cover, front), FView.FCover);
    }
  }
  painter.Finish();
  if (!FView.FFrameOpen) FView.DrawFrame();
}
