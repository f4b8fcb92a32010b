// Parsing and refusing command-line numbers.
#include "util/WholeNumber.h"

#include <charconv>

#include "util/Printable.h"

std::optional<int64_t> ParseWholeNumber(std::string_view text, int64_t lo, int64_t hi) {
  int64_t value = 0;
  const char* end = text.data() + text.size();
  const auto [ptr, ec] = std::from_chars(text.data(), end, value);
  if (text.empty() || ec != std::errc() || ptr != end || value < lo || value > hi) return std::nullopt;
  return value;
}

std::string WholeNumberRefusal(std::string_view name, int64_t lo, int64_t hi, std::string_view text) {
  return std::string(name) + " needs a whole number from " + std::to_string(lo) + " to " + std::to_string(hi) +
         ", not '" + Printable(text) + "'";
}
