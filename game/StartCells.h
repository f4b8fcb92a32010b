// Telling the user when a loaded map loses a person: one whose number is on no cell starts at
// (0, 0), one whose number is on several starts on the last of them in row order. Person 4,
// whom the shipped map gives no cell, is told of only when it is on several.
#pragma once

#include <string>
#include <vector>

class TMap;

// One line for each person on no cell or on several, e.g. "map: person 2 is on no cell; it
// starts at (0, 0)"; none for a map that holds each person once.
std::vector<std::string> LostPersons(const TMap& map);

// Each of LostPersons' lines as a warning.
void WarnOfLostPersons(const TMap& map);
