// Keeping the edited map in its file.
#include "app/MapKeeper.h"

#include <ctime>
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

namespace {

bool MakeFolder(const std::filesystem::path& folder, std::string* reason) {
  std::error_code ec;
  std::filesystem::create_directories(folder, ec);
  if (ec && reason) *reason = "cannot make " + PrintablePath(folder) + ": " + ec.message();
  return !ec;
}

// A name in `folder` that no file has yet, from the time: the rescue of one end never replaces
// that of another.
std::filesystem::path RescuePath(const std::filesystem::path& folder) {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  char stamp[32];
  std::strftime(stamp, sizeof stamp, "%Y%m%d-%H%M%S", &local);
  const std::string stem = std::string("MAP-rescue-") + stamp;
  std::filesystem::path path = folder / (stem + ".DAT");
  std::error_code ec;
  for (int n = 2; std::filesystem::exists(std::filesystem::symlink_status(path, ec)); ++n) {
    path = folder / (stem + "-" + std::to_string(n) + ".DAT");
  }
  return path;
}

}  // namespace

bool TMapKeeper::Save(const TSystem& world, std::string* reason) {
  const std::filesystem::path path = Path();
  FLastSaveFailed = true;
  if (!Named() && !MakeFolder(path.parent_path(), reason)) return false;
  if (!WriteFileAtomically(path, StoredMap(world), reason, TOldFile::KeepAsBak)) return false;
  FLastSaveFailed = false;
  Kept(*world.FMap);
  return true;
}

std::optional<std::filesystem::path> TMapKeeper::Rescue(const TSystem& world, std::string* reason) {
  const std::filesystem::path folder = UserDataDirectory();
  if (!MakeFolder(folder, reason)) return std::nullopt;
  const std::filesystem::path path = RescuePath(folder);
  if (!WriteFileAtomically(path, StoredMap(world), reason)) return std::nullopt;
  return path;
}

std::optional<std::string> MapFileRefusal(const std::filesystem::path& file) {
  std::error_code ec;
  const std::string name = PrintablePath(file);
  if (std::filesystem::symlink_status(file, ec).type() == std::filesystem::file_type::not_found) {
    // Its first save would fail, and the edits with it.
    const std::filesystem::path folder = file.parent_path().empty() ? "." : file.parent_path();
    if (std::filesystem::is_directory(folder, ec)) return std::nullopt;
    return name + " cannot be made: there is no folder " + PrintablePath(folder);
  }
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
