// The embedded blobs (from ResourceData.S) named and typed.
#include "res/EmbeddedTable.h"

extern "C" {
extern const uint8_t corvina_data_lumo1[], corvina_data_lumo1_end[];
extern const uint8_t corvina_data_lumo2[], corvina_data_lumo2_end[];
extern const uint8_t corvina_data_map[], corvina_data_map_end[];
extern const uint8_t corvina_data_walk[], corvina_data_walk_end[];
extern const uint8_t corvina_data_icon[], corvina_data_icon_end[];
}

namespace {

std::span<const uint8_t> Blob(const uint8_t* begin, const uint8_t* end) {
  return {begin, static_cast<size_t>(end - begin)};
}

}  // namespace

std::vector<TResource> EmbeddedResources() {
  return {
      {"LUMO1", RT_BITMAP, Blob(corvina_data_lumo1, corvina_data_lumo1_end)},
      {"LUMO2", RT_BITMAP, Blob(corvina_data_lumo2, corvina_data_lumo2_end)},
      {"Map", RT_MAP, Blob(corvina_data_map, corvina_data_map_end)},
      {"Walk", RT_WAVE, Blob(corvina_data_walk, corvina_data_walk_end)},
      {"MAINICON", RT_RGBA, Blob(corvina_data_icon, corvina_data_icon_end)},
  };
}
