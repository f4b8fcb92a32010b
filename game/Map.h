// The world's ground: 100 x 100 cells of five bytes, their stored format, the step tests,
// the fog of war and the projection between cells and back-buffer pixels.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>

#include "core/Types.h"

struct TMapCell {
  uint8_t Kind;      // terrain kind 0..5 (row of the terrain pictures); see TMap::GetCell
  uint8_t Height;    // raised levels 0..9, 13 pixels each
  uint8_t Occupant;  // 0 free, n: person n stands here, 100 + n: person n steps in
  uint8_t Explored;  // 1 once within a person's outer lighting ring
  uint8_t Light;     // this frame: 0 unlit, 1 dim, 2 lit
};
static_assert(sizeof(TMapCell) == 5);

// Byte numbers of a cell for GetCell / SetCell. GetCell(CellKind, ...) answers the tile code,
// SetCell(CellKind, ...) writes the kind byte.
enum : uint8_t { CellKind = 0, CellHeight = 1, CellOccupant = 2, CellExplored = 3, CellLight = 4 };

constexpr int MapSize = 100;                                       // cells per side
constexpr size_t MapBytes = MapSize * MapSize * sizeof(TMapCell);  // 50000
constexpr size_t MaxMapFileBytes = size_t{16} << 20;               // larger map files are refused unread

// Stored values the game never writes: a kind above 5 has no terrain picture (its tile code is
// 24 or more and the render pass draws no terrain for it, while the cell still counts as ground
// that is lit, explored and walked on); a height above 9 is kept as stored and simply makes a
// taller column (no table is indexed by height; map editing only lowers it). Nothing is
// rewritten at load, so no stored byte is lost.
class TMap {
 public:
  TMap();

  // Loads the file; a file that cannot be opened gives a generated map.
  // Throws std::runtime_error for a file shorter than 50000 bytes, one larger than
  // MaxMapFileBytes, or one that fails while it is read; a longer one is used with a warning.
  // A loaded map that leaves a person on no cell, or on several, is reported (WarnOfLostPersons).
  static std::unique_ptr<TMap> CreateFromFile(const std::string& FileName);
  // Loads the program's resource (reported alike); throws std::runtime_error when it does not exist.
  static std::unique_ptr<TMap> CreateFromResource(const std::string& ResName, int ResType);

  // False, changing nothing, for a file that cannot be opened or is not a regular file (a
  // directory, FIFO or device is never read); *Why then says which. Throws as CreateFromFile.
  bool LoadFromFile(const std::string& FileName, std::string* Why = nullptr);
  bool LoadFromResource(const std::string& ResName, int ResType);
  // The one parser of stored maps: copies up to 50000 bytes in cell order. Shorter data fills
  // only the first cells.
  void LoadFromBytes(std::span<const uint8_t> Data);
  // Where the person numbered `Person` starts: the last cell holding that occupant in row
  // order, or nothing.
  std::optional<TPoint> TStartCell(int Person) const;
  void Generate();

  uint8_t GetCell(uint8_t Index, int X, int Y) const;
  // GetCell(CellKind, X, Y) of a cell on the map: the kind's first code, plus 1 when the cell
  // above differs in height, plus 2 when the one to the right does.
  uint8_t TileCode(int X, int Y) const {
    const TMapCell& cell = FCells[Y][X];
    int code = (cell.Kind * 4) & 255;
    if (Y > 0 && FCells[Y - 1][X].Height != cell.Height) code += 1;
    if (X + 1 < MapSize && FCells[Y][X + 1].Height != cell.Height) code += 2;
    return static_cast<uint8_t>(code);
  }
  void SetCell(uint8_t Index, int X, int Y, uint8_t Value);
  static bool OnMap(int X, int Y) { return X >= 0 && X < MapSize && Y >= 0 && Y < MapSize; }

  bool CanStep(int FromX, int FromY, int ToX, int ToY) const;
  bool CanStepLifted(int FromX, int FromY, int ToX, int ToY, int& Lift) const;
  bool IsOpenFor(int FromX, int FromY, int ToX, int ToY, int Person) const;

  void ClearLight();
  void Reveal(int X, int Y, int Radius);

  // Between back-buffer pixels and cells for the view reference cell `View` (the world's,
  // set by each render pass) and the screen size of Settings.HighRes.
  static TPoint ScreenToCell(const TPoint& P, const TPoint& View);
  static TPoint CellToScreen(const TPoint& C, const TPoint& View);

  TMapCell FCells[MapSize][MapSize];  // [row Y][column X], the stored byte order
  std::string FFileName;              // the name loaded under ("Map.DAT" for the resource)
};
