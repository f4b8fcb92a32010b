// TSystem::DrawWorld: terrain stacks under the fog in screen-row order, persons, the
// see-through pass, selection marks and speech.
#include <algorithm>
#include <bit>
#include <climits>
#include <cstring>
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

// The clear under the view word for word, but for which places cover their diamond: each
// place's key holds its diamond's rows and what decides its cover.
std::vector<uint64_t> GroundInputs(const std::vector<TGroundRow>& rows, int columns) {
  std::vector<uint64_t> words;
  words.reserve(rows.size() + 1);
  words.push_back(static_cast<uint64_t>(columns));
  for (const TGroundRow& r : rows) {
    words.push_back(static_cast<uint64_t>(static_cast<uint32_t>(r.Centre.X)) << 32 | static_cast<uint32_t>(r.Centre.Y));
  }
  return words;
}

// The view's rows from the top: each one's number, its first place's cell as an offset from the
// camera cell, and that place's anchor before the camera's pixel offset. Odd rows sit half a
// cell right of even ones; each next place of a row is one cell further on both axes.
template <class Visit>
void LayRows(int H, int V, Visit visit) {
  int colBase = 1 - H, rowBase = -V;
  for (int r = -V; r <= V; ++r) {
    const bool odd = (r & 1) != 0;
    (odd ? rowBase : colBase) += odd ? 1 : -1;
    visit(r + V, TPoint{colBase, rowBase}, TPoint{odd ? -30 : -60, (r + V) * 14 + 14});
  }
}

// The view's places in the walk's order: each one's index, cell, and anchor before the
// camera's pixel offset.
template <class Visit>
void LayPlaces(const TPoint& cam, int H, int V, Visit visit) {
  const int columns = 2 * H + 1;
  LayRows(H, V, [&](int row, const TPoint& first, const TPoint& anchor) {
    for (int j = 0; j < columns; ++j) {
      visit(row * columns + j, TPoint{cam.X + first.X + j, cam.Y + first.Y + j}, TPoint{anchor.X + 60 * j, anchor.Y});
    }
  });
}

// For the view at camera cell `to`, the index each place's cell had in the view at `from`
// (-1: it was not in view), and how far the cells' anchors moved; false when no cell stayed.
bool PlacesFrom(const TPoint& from, const TPoint& to, int H, int V, std::vector<int>& itemFrom, TPoint& by) {
  // Cells of a view lie at most H + V + 2 columns and rows from its camera cell.
  const int reach = H + V + 2, side = 2 * reach + 1;
  std::vector<int> at(static_cast<size_t>(side) * side, -1);
  std::vector<TPoint> anchors;
  const auto slot = [&](const TPoint& cell, const TPoint& cam) -> int {
    const int u = cell.X - cam.X + reach, w = cell.Y - cam.Y + reach;
    return u < 0 || u >= side || w < 0 || w >= side ? -1 : w * side + u;
  };
  LayPlaces(from, H, V, [&](int index, const TPoint& cell, const TPoint& anchor) {
    at[static_cast<size_t>(slot(cell, from))] = index;
    anchors.push_back(anchor);
  });
  bool any = false;
  itemFrom.clear();
  LayPlaces(to, H, V, [&](int, const TPoint& cell, const TPoint& anchor) {
    const int s = slot(cell, from);
    const int was = s < 0 ? -1 : at[static_cast<size_t>(s)];
    itemFrom.push_back(was);
    if (was >= 0 && !any) {
      by = TPoint{anchor.X - anchors[static_cast<size_t>(was)].X, anchor.Y - anchors[static_cast<size_t>(was)].Y};
      any = true;
    }
  });
  return any;
}

// The cells the walk over the view reads: the places' own and the neighbours above and to the
// right that pick their tile code, clipped to the map.
struct TCellBox {
  int Left = 0, Top = 0, Right = 0, Bottom = 0;  // Right and Bottom exclusive
  size_t Count() const { return static_cast<size_t>(Right - Left) * static_cast<size_t>(Bottom - Top); }
};

int FloorDiv(int a, int b) { return a >= 0 ? a / b : -((-a + b - 1) / b); }

// Everything but the cells that the walk over the view reads, the cells' box among it.
std::vector<uint64_t> WalkInputs(const TSystem& world, const TPoint& cam, int H, int V, TCellBox& box) {
  const int columns = 2 * H + 1;
  int left = INT_MAX, top = INT_MAX, right = INT_MIN, bottom = INT_MIN;
  LayRows(H, V, [&](int, const TPoint& first, const TPoint&) {
    left = std::min(left, cam.X + first.X);
    right = std::max(right, cam.X + first.X + columns);
    top = std::min(top, cam.Y + first.Y);
    bottom = std::max(bottom, cam.Y + first.Y + columns);
  });
  box.Left = std::clamp(left, 0, MapSize);
  box.Right = std::clamp(right + 1, box.Left, MapSize);
  box.Top = std::clamp(top - 1, 0, MapSize);
  box.Bottom = std::clamp(bottom, box.Top, MapSize);
  const auto pair = [](int a, int b) {
    return static_cast<uint64_t>(static_cast<uint32_t>(a)) << 32 | static_cast<uint32_t>(b);
  };
  std::vector<uint64_t> words;
  words.reserve(8 + 4 * std::size(world.FTiles));
  words.push_back(pair(cam.X, cam.Y));
  words.push_back(pair(H, V));
  words.push_back(world.FView.FTrimHidden ? 1 : 0);
  words.push_back(pair(box.Left, box.Top));
  words.push_back(pair(box.Right, box.Bottom));
  // The cover is learnt from the sheets' pixels.
  for (int s = 1; s <= 2; ++s) {
    const TDDSurface* sheet = Display != nullptr ? Display->FSheets[s].get() : nullptr;
    words.push_back(sheet != nullptr ? sheet->Serial() : 0);
    words.push_back(sheet != nullptr ? sheet->Version() : 0);
  }
  for (const auto& tile : world.FTiles) {
    words.push_back(reinterpret_cast<uintptr_t>(tile.get()));
    words.push_back(tile ? pair(tile->FSheet, tile->FSourceRect.Left) : 0);
    words.push_back(tile ? pair(tile->FSourceRect.Top, tile->FSourceRect.Right) : 0);
    words.push_back(tile ? static_cast<uint64_t>(static_cast<uint32_t>(tile->FSourceRect.Bottom)) : 0);
  }
  return words;
}

bool SameCells(const TMap& map, const TCellBox& box, const std::vector<TMapCell>& kept) {
  if (kept.size() != box.Count()) return false;
  const size_t width = static_cast<size_t>(box.Right - box.Left);
  const TMapCell* at = kept.data();
  for (int y = box.Top; y < box.Bottom; ++y, at += width) {
    if (std::memcmp(&map.FCells[y][box.Left], at, width * sizeof(TMapCell)) != 0) return false;
  }
  return true;
}

// The places with a stack, by the bands of 16 rows their keys reach before the camera's offset.
void IndexByBand(const std::vector<TViewWalk::TKey>& keys, TViewWalk::TBandIndex& index) {
  const auto reaches = [&](auto visit) {
    for (size_t i = 0; i < keys.size(); ++i) {
      if (keys[i].First == ~uint64_t{0} || keys[i].Top >= keys[i].Bottom) continue;
      const int from = FloorDiv(keys[i].Top, TDDSurface::RowBand),
                to = FloorDiv(keys[i].Bottom - 1, TDDSurface::RowBand);
      for (int b = from; b <= to; ++b) visit(b, static_cast<int>(i));
    }
  };
  int low = INT_MAX, high = INT_MIN;
  reaches([&](int b, int) {
    low = std::min(low, b);
    high = std::max(high, b);
  });
  index.First = low == INT_MAX ? 0 : low;
  index.Start.assign(low == INT_MAX ? 1 : static_cast<size_t>(high - low) + 2, 0);
  reaches([&](int b, int) { ++index.Start[static_cast<size_t>(b - index.First) + 1]; });
  for (size_t b = 1; b < index.Start.size(); ++b) index.Start[b] += index.Start[b - 1];
  index.Places.resize(static_cast<size_t>(index.Start.back()));
  std::vector<int> at(index.Start.begin(), index.Start.end() - 1);
  reaches([&](int b, int i) { index.Places[static_cast<size_t>(at[static_cast<size_t>(b - index.First)]++)] = i; });
}

void KeepCells(const TMap& map, const TCellBox& box, std::vector<TMapCell>& kept) {
  kept.resize(box.Count());
  const size_t width = static_cast<size_t>(box.Right - box.Left);
  TMapCell* at = kept.data();
  for (int y = box.Top; y < box.Bottom; ++y, at += width) {
    std::memcpy(at, &map.FCells[y][box.Left], width * sizeof(TMapCell));
  }
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

  // The persons standing or stepping at place v of the view (X, Y its anchor before the camera
  // offsets).
  void PaintPersons(const TViewPlace& v) {
    const int cx = v.CX, cy = v.CY, x = v.X, yr = v.Y;
    const TMapCell* cell = PaintedCell(cx, cy);
    if (cell == nullptr || cell->Light == 0) return;
    const int h = cell->Height;
    const int occ = cell->Occupant;
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

  // See-through figures, selection marks and speech over everything drawn, onto over, moved by
  // shift.
  void Finish(TFrameList& over, const TPoint& shift) {
    for (TListedPerson& entry : FListed) {
      entry.Anchor.X += shift.X;
      entry.Anchor.Y += shift.Y;
      entry.Who->DrawSeeThrough(over, entry.Anchor);
      entry.Anchor.Y -= entry.Who->FLift;
    }
    for (const TListedPerson& entry : FListed) {
      const TPerson& p = *entry.Who;
      if (!(FWorld.FSelected & (1u << (p.FId & 7)))) continue;
      const TRect mark = MakeRect(416 + 12 * Random(10), 0, 12, 12);
      over.Add(TSheetPicture::Of(TSheetPicture::Keyed, entry.Anchor.X + p.FWidth / 2 - 12,
                                 entry.Anchor.Y - p.FHeight + 10, 1, mark, false));
    }
    for (const TListedPerson& entry : FListed) entry.Who->DrawSpeech(over, entry.Anchor.X, entry.Anchor.Y - 100);
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

// The screen rows [Top, Bottom) a place's stack may draw on.
struct TStackRows {
  int Top, Bottom;
};
TStackRows StackRows(const TViewPlace& v, const TTile& tile, const TPoint& off) {
  const int base = v.Y - off.Y + (v.Stack.Code / 4 == WaterKind ? LevelPixels : 0);
  return {base - LevelPixels * v.Stack.Height - (tile.FSourceRect.Bottom - tile.FSourceRect.Top), base};
}

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

  // On the canvas the world is drawn as for the pixel offset -margin, wherever the screen lies.
  const bool onCanvas = FView.BeginCanvas(off);
  if (onCanvas) {
    // The canvas's places follow their cells when the camera steps: last frame's pixels and
    // keys move with them, and only what the step uncovered or changed is drawn again.
    TWorldView::TCanvasView& last = FView.FCanvasView;
    if (last.H == H && last.V == V && (last.Cam.X != cam.X || last.Cam.Y != cam.Y)) {
      std::vector<int> from;
      TPoint by;
      if (PlacesFrom(last.Cam, cam, H, V, from, by)) {
        FView.FCanvasRenderer.Shift(*FView.FCanvas, by, from);
      } else {
        FView.FCanvasRenderer.Forget();
      }
    }
    last = {cam, H, V};
  }
  const TPoint screenAt = onCanvas ? FView.FWindow : TPoint{};
  off = onCanvas ? TPoint{-CanvasMarginX, -CanvasMarginY} : off;
  TFrameList& world = onCanvas ? FView.FCanvasFrame : FView.FFrame;
  // The terrain is listed only for the bands drawn: first what stands for it, band by band.
  const TDDSurface* back = onCanvas ? FView.FCanvas.get() : Display != nullptr ? Display->FBackBuffer.get() : nullptr;
  TKeyedPart& part = world.StartPart(back != nullptr ? back->RowBands()
                                                     : (ScreenHeight + TDDSurface::RowBand - 1) / TDDSurface::RowBand);
  FView.FPersons.Restart();
  TCellPainter painter(*this, FView.FPersons, off);
  ScreenOnSurface = screenAt;
  FView.FCover.Sync();
  const int columns = 2 * H + 1, rows = 2 * V + 1;
  std::vector<TViewPlace>& view = FView.FPlaces;
  TViewWalk& walk = FView.FWalk;
  TCellBox box;
  std::vector<uint64_t> walkInputs = WalkInputs(*this, cam, H, V, box);
  if (!walk.Valid || walkInputs != walk.Inputs || !SameCells(*FMap, box, walk.Cells)) {
    walk.Valid = false;
    view.clear();
    view.reserve(static_cast<size_t>(columns) * rows);
    walk.GroundCovers.assign(static_cast<size_t>(rows), 0);
    LayPlaces(cam, H, V, [&](int index, const TPoint& cell, const TPoint& anchor) {
      TStackSlot stack = painter.StackAt(cell.X, cell.Y);
      if (FView.FTrimHidden) stack.Cover = FView.FCover.Pack(*this, stack);
      if (FView.FCover.CoversGround(*this, stack)) {
        walk.GroundCovers[static_cast<size_t>(index / columns)] |= uint64_t{1} << (index % columns);
      }
      const TMapCell* cell0 = painter.PaintedCell(cell.X, cell.Y);
      view.push_back({cell.X, cell.Y, anchor.X, anchor.Y, stack, cell0 != nullptr ? cell0->Light : uint8_t{0}, {}});
    });
    // The stacks in front: half a cell left and right one row down, and straight down two rows.
    const auto at = [&](int row, int column) -> uint16_t {
      return row < rows && column >= 0 && column < columns
                 ? view[static_cast<size_t>(row) * columns + column].Stack.Cover
                 : 0;
    };
    walk.Keys.clear();
    walk.Occupied.clear();
    for (int row = 0; row < rows; ++row) {
      const bool odd = ((row - V) & 1) != 0;
      for (int j = 0; j < columns; ++j) {
        const int index = row * columns + j;
        TViewPlace& v = view[static_cast<size_t>(index)];
        v.Front[FrontLeft] = at(row + 1, odd ? j : j - 1);
        v.Front[FrontRight] = at(row + 1, odd ? j + 1 : j);
        v.Front[Front] = at(row + 2, j);
        // Whether the place covers its ground diamond decides the clear on the diamond's rows.
        const int centre = GroundCentre(TPoint{v.X, v.Y}).Y;
        const int groundTop = centre - GroundHalfRows, groundBottom = centre + GroundHalfRows + 1;
        const int groundLeft = v.X - GroundHalfWidth(0), groundRight = v.X + GroundHalfWidth(0) + 1;
        if (v.Stack.Code < 0) {
          walk.Keys.push_back({groundTop, groundBottom, groundLeft, groundRight, ~uint64_t{0}, 0});
        } else {
          // The place's stack: its picture, height, light and cover (its own and the stacks'
          // in front) on the rows it may reach, and the columns of its tile about the anchor.
          const TRect& picture = FTiles[v.Stack.Code]->FSourceRect;
          const TStackRows reach = StackRows(v, *FTiles[v.Stack.Code], TPoint{});
          const int left = PictureCorner({v.X, 0}, picture.Right - picture.Left, 0).X;
          walk.Keys.push_back({std::min(reach.Top, groundTop), std::max(reach.Bottom, groundBottom),
                               std::min(left, groundLeft), std::max(left + (picture.Right - picture.Left), groundRight),
                               static_cast<uint64_t>(v.Stack.Code & 0xFF) |
                                   static_cast<uint64_t>(v.Stack.Height & 0xFF) << 8 | uint64_t{v.Light} << 16 |
                                   uint64_t{v.Stack.Cover} << 32,
                               uint64_t{v.Front[0]} | uint64_t{v.Front[1]} << 16 | uint64_t{v.Front[2]} << 32});
        }
        const TMapCell* cell = painter.PaintedCell(v.CX, v.CY);
        if (cell != nullptr && cell->Occupant != 0) walk.Occupied.push_back(index);
      }
    }
    IndexByBand(walk.Keys, walk.Bands);
    walk.Inputs = std::move(walkInputs);
    KeepCells(*FMap, box, walk.Cells);
    walk.Valid = true;
  }
  std::vector<TGroundRow> ground(static_cast<size_t>(rows));
  LayRows(H, V, [&](int row, const TPoint&, const TPoint& anchor) {
    ground[static_cast<size_t>(row)] = {GroundCentre(TPoint{anchor.X - off.X, anchor.Y - off.Y}),
                                        walk.GroundCovers[static_cast<size_t>(row)]};
  });
  std::vector<uint64_t> inputs = GroundInputs(ground, columns);
  world.SetGround(std::move(inputs), [this, ground = std::move(ground), columns](TDDSurface& back) {
    FView.FGroundClear.Clear(back, ground, columns);
  });

  // Everything the terrain's pixels depend on besides its places: the camera's offsets, the
  // view's size, the sheets, the tiles' pictures and what the drawing routines read.
  TPartKeys& words = part.Keys;
  const auto pair = [](int a, int b) {
    return static_cast<uint64_t>(static_cast<uint32_t>(a)) << 32 | static_cast<uint32_t>(b);
  };
  words.AddToAll(pair(off.X, off.Y));
  words.AddToAll(pair(columns, rows));
  words.AddToAll(FView.FTrimHidden ? 1 : 0);
  for (int s = 1; s <= 2; ++s) {
    const TDDSurface* sheet = Display != nullptr ? Display->FSheets[s].get() : nullptr;
    words.AddToAll(sheet != nullptr ? sheet->Serial() : 0);
    words.AddToAll(sheet != nullptr ? sheet->Version() : 0);
    part.Sources.push_back(sheet);
  }
  const TDrawSetting setting = TDrawSetting::Now();
  words.AddToAll(pair(setting.ScreenW, setting.ScreenH));
  words.AddToAll(pair(setting.ClipLeft, setting.ClipTop));
  words.AddToAll(pair(setting.ClipRight, setting.ClipBottom));
  words.AddToAll(static_cast<uint64_t>(setting.PixelKind));
  words.AddToAll(reinterpret_cast<uintptr_t>(setting.Compose));
  for (const auto& tile : FTiles) {
    words.AddToAll(tile ? pair(tile->FSheet, tile->FSourceRect.Left) : ~uint64_t{0});
    words.AddToAll(tile ? pair(tile->FSourceRect.Top, tile->FSourceRect.Right) : 0);
    words.AddToAll(tile ? static_cast<uint64_t>(static_cast<uint32_t>(tile->FSourceRect.Bottom)) : 0);
  }
  // The places' keys, on the rows and columns the offset puts them.
  for (const TViewWalk::TKey& key : walk.Keys) {
    words.Add(key.Top - off.Y, key.Bottom - off.Y, key.Left - off.X, key.Right - off.X, key.First, key.Second);
  }
  // Only places holding someone list persons; each listed entry goes after its place.
  std::vector<int>& places = part.Places;
  for (const int index : walk.Occupied) {
    painter.PaintPersons(view[static_cast<size_t>(index)]);
    places.resize(FView.FPersons.Entries().size(), index);
  }
  ScreenOnSurface = TPoint{};
  painter.Finish(onCanvas ? FView.FFrame : FView.FPersons, TPoint{-screenAt.X, -screenAt.Y});
  places.resize(FView.FPersons.Entries().size(), rows * columns);
  FView.FPersons.TakeEntries(part.Listed);
  if (onCanvas) KeyToScreenAt(part.Listed, screenAt);
  part.Make = [this, off](const TKeyedPart& made, const std::vector<uint64_t>& bands, const TColumnTiles* columns,
                          TFrameList& into) {
    size_t listed = 0;
    const auto placeListed = [&](int upTo) {
      for (; listed < made.Listed.size() && made.Places[listed] <= upTo; ++listed) into.AddEntry(made.Listed[listed]);
    };
    const int lastBand = static_cast<int>(bands.size()) - 1;
    // Only the places that can reach a drawn band are visited, in order.
    const TViewWalk::TBandIndex& index = FView.FWalk.Bands;
    const int indexed = static_cast<int>(index.Start.size()) - 1;
    std::vector<uint64_t> visit((FView.FPlaces.size() + 63) / 64);
    for (int b = 0; b <= lastBand; ++b) {
      if (bands[static_cast<size_t>(b)] == 0) continue;
      const int first = std::max(FloorDiv(b * TDDSurface::RowBand + off.Y, TDDSurface::RowBand) - index.First, 0);
      const int last =
          std::min(FloorDiv((b + 1) * TDDSurface::RowBand - 1 + off.Y, TDDSurface::RowBand) - index.First, indexed - 1);
      if (first > last) continue;
      for (int k = index.Start[static_cast<size_t>(first)]; k < index.Start[static_cast<size_t>(last) + 1]; ++k) {
        const auto i = static_cast<size_t>(index.Places[static_cast<size_t>(k)]);
        visit[i / 64] |= uint64_t{1} << (i % 64);
      }
    }
    for (size_t word = 0; word < visit.size(); ++word) {
      for (uint64_t bits = visit[word]; bits != 0; bits &= bits - 1) {
        const size_t i = word * 64 + static_cast<size_t>(std::countr_zero(bits));
        placeListed(static_cast<int>(i) - 1);
        const TViewPlace& v = FView.FPlaces[i];
        TTile& tile = *FTiles[v.Stack.Code];
        const TStackRows stack = StackRows(v, tile, off);
        const TViewWalk::TKey& key = FView.FWalk.Keys[i];
        const uint64_t mine = columns != nullptr ? columns->Of(key.Left - off.X, key.Right - off.X) : ~uint64_t{0};
        bool drawn = false;
        for (int b = std::max(stack.Top, 0) / TDDSurface::RowBand;
             !drawn && b <= std::min((stack.Bottom - 1) / TDDSurface::RowBand, lastBand); ++b) {
          drawn = (bands[static_cast<size_t>(b)] & mine) != 0;
        }
        if (drawn) {
          DrawTileStack(into, tile, TPoint{v.X - off.X, v.Y - off.Y}, v.Stack, v.Light,
                        FView.FCover.Rows(v.Stack.Cover, v.Front), FView.FCover);
        }
      }
    }
    placeListed(INT_MAX);
  };
  if (onCanvas) FView.DrawCanvas();
  if (!FView.FFrameOpen) FView.DrawFrame();
}
