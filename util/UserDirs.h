// Where the program keeps what the user makes (screenshots, saved maps, recordings) and the
// player's settings: the XDG base directories.
#pragma once

#include <filesystem>

// $XDG_DATA_HOME/corvina, or ~/.local/share/corvina when it is unset or not absolute.
std::filesystem::path UserDataDirectory();

// Where locks live for as long as the user's session: $XDG_RUNTIME_DIR/corvina, or the data
// folder's "locks" when it is unset or not absolute.
std::filesystem::path UserLockDirectory();

// $XDG_CONFIG_HOME/corvina, or ~/.config/corvina when it is unset or not absolute.
std::filesystem::path UserConfigDirectory();
