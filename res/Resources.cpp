// PLACEHOLDER until the resource table lands.
#include "res/Resources.h"

std::optional<std::span<const uint8_t>> FindResource(std::string_view, int) { return std::nullopt; }
void SetResourceTableForTesting(std::optional<std::vector<TResource>>) {}
std::optional<std::string> FindLooseFile(const std::string&, const std::string&) { return std::nullopt; }
std::string ProgramDirectory() { return "./"; }
std::optional<std::vector<uint8_t>> ReadWholeFile(const std::string&, size_t) { return std::nullopt; }
