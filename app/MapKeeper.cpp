// Keeping the edited map in its file.
#include "app/MapKeeper.h"

#include <exception>
#include <memory>
#include <system_error>

#include "game/StoredMap.h"
#include "game/World.h"
#include "util/AtomicFile.h"
#include "util/Crc32.h"
#include "util/Printable.h"
#include "util/UserDirs.h"

uint32_t TerrainCrc(const TMap& map) {
  uint32_t crc = 0;
  for (const auto& row : map.FCells) {
    for (const TMapCell& cell : row) crc = Crc32(&cell.Kind, 2, crc);  // the kind and the height
  }
  return crc;
}

TMapKeeper::TMapKeeper(std::filesystem::path named) : FNamed(std::move(named)) {}

std::filesystem::path TMapKeeper::Path() const { return Named() ? FNamed : UserDataDirectory() / "MAP.DAT"; }

void TMapKeeper::Kept(const TMap& map) { FKeptTerrain = TerrainCrc(map); }

bool TMapKeeper::Unsaved(const TMap& map) const { return TerrainCrc(map) != FKeptTerrain; }

bool TMapKeeper::Save(const TSystem& world, std::string* reason) {
  const std::filesystem::path path = Path();
  if (!Named()) {
    std::error_code ec;
    std::filesystem::create_directories(path.parent_path(), ec);
    if (ec) {
      if (reason) *reason = "cannot make " + PrintablePath(path.parent_path()) + ": " + ec.message();
      return false;
    }
  }
  if (!WriteFileAtomically(path, StoredMap(world), reason, TOldFile::KeepAsBak)) return false;
  Kept(*world.FMap);
  return true;
}

std::optional<std::string> MapFileRefusal(const std::filesystem::path& file) {
  std::error_code ec;
  if (std::filesystem::symlink_status(file, ec).type() == std::filesystem::file_type::not_found) return std::nullopt;
  const std::string name = PrintablePath(file);
  try {
    std::string why;
    if (!std::make_unique<TMap>()->LoadFromFile(file.string(), &why)) {
      return name + " cannot be opened as a map (" + why + "); it is left as it is";
    }
  } catch (const std::exception& e) {
    return std::string(e.what()) + "; it is not a map, and is left as it is";
  }
  return std::nullopt;
}
