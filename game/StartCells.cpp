// The persons a loaded map loses, in words.
#include "game/StartCells.h"

#include <utility>

#include "core/Log.h"
#include "game/World.h"

namespace {

constexpr size_t CellsNamed = 4;  // a person on more cells gets the first few and a count

// The shipped map gives this person no start cell: beginning at (0, 0) is its ordinary start, so
// only its copies are worth a word.
constexpr int PersonWithoutStartCell = 4;

std::string CellList(const std::vector<TPoint>& cells) {
  const size_t named = cells.size() > CellsNamed ? CellsNamed - 1 : cells.size() - 1;
  std::string list;
  for (size_t i = 0; i < named; ++i) {
    if (i > 0) list += ", ";
    list += PointText(cells[i]);
  }
  list += " and ";
  if (named < cells.size() - 1) {
    list += std::to_string(cells.size() - named);
    list += " others";
  } else {
    list += PointText(cells.back());
  }
  return list;
}

}  // namespace

std::vector<std::string> LostPersons(const TMap& map) {
  std::vector<std::vector<TPoint>> cells(PersonCount + 1);
  for (int y = 0; y < MapSize; ++y) {
    for (int x = 0; x < MapSize; ++x) {
      const int occupant = map.FCells[y][x].Occupant;
      if (occupant >= 1 && occupant <= PersonCount) cells[occupant].push_back({x, y});
    }
  }
  std::vector<std::string> lines;
  for (int person = 1; person <= PersonCount; ++person) {
    const std::vector<TPoint>& on = cells[person];
    std::string line = "map: person ";
    line += std::to_string(person);
    if (on.empty() && person != PersonWithoutStartCell) {
      line += " is on no cell; it starts at (0, 0)";
    } else if (on.size() > 1) {
      line += " is on cells ";
      line += CellList(on);
      line += "; it starts on ";
      line += PointText(on.back());
    } else {
      continue;
    }
    lines.push_back(std::move(line));
  }
  return lines;
}

void WarnOfLostPersons(const TMap& map) {
  for (const std::string& line : LostPersons(map)) LogWarning(line);
}
