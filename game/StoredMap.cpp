// Writing the world's map in its stored format.
#include "game/StoredMap.h"

#include <cstring>

#include "game/World.h"

std::vector<uint8_t> StoredMap(const TSystem& world) {
  TMapCell cells[MapSize][MapSize];
  std::memcpy(cells, world.FMap->FCells, sizeof cells);
  for (auto& row : cells) {
    for (TMapCell& cell : row) {
      cell.Occupant = 0;
      cell.Explored = 0;
      cell.Light = 0;
    }
  }
  for (int i = 1; i <= PersonCount; ++i) {
    const TPerson* person = world.Person(i);
    if (!person || !TMap::OnMap(person->FCellX, person->FCellY)) continue;
    uint8_t& occupant = cells[person->FCellY][person->FCellX].Occupant;
    if (occupant == 0) occupant = static_cast<uint8_t>(i);
  }
  const auto* bytes = reinterpret_cast<const uint8_t*>(cells);
  return std::vector<uint8_t>(bytes, bytes + sizeof cells);
}
