// Whole numbers given on a command line, and the one way every program refuses a bad one.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// The decimal number `text` when it is one (digits, an optional leading '-') within lo..hi.
std::optional<int64_t> ParseWholeNumber(std::string_view text, int64_t lo, int64_t hi);

// "NAME needs a whole number from LO to HI, not 'TEXT'", the text shown printable.
std::string WholeNumberRefusal(std::string_view name, int64_t lo, int64_t hi, std::string_view text);
