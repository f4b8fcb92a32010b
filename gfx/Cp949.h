// Korean text of the game (CP949 bytes) to UTF-8 for the text renderer and traces.
#pragma once

#include <string>
#include <string_view>

// Converts CP949 (the Windows Korean code page, a superset of EUC-KR) to UTF-8. A character
// cut off at the end is dropped; a byte that starts no valid character is skipped.
std::string Cp949ToUtf8(std::string_view cp949);
