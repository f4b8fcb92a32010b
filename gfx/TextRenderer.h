// Text into 16-bit surface pixels: the face behind a font name, at a size in points (96 dpi).
// Platform-free header; the renderer behind it is TextRenderer.cpp (FreeType and HarfBuzz).
#pragma once

#include <string>
#include <string_view>

#include "core/Types.h"
#include "ddraw/DDraw.h"

// Draws UTF-8 text with its top-left at (x, y), clipped to the target, blended into the
// existing pixels with whole-number arithmetic (the same pixels on every run). Without any
// usable face it draws nothing (the first call warns once on standard error). Answers how many
// rows from y down the text may have changed.
int DrawTextUtf8(const TSurfaceDC& target, int x, int y, std::string_view utf8, int points, TColor colour);
// The same for CP949 text (the game's speech; ASCII reads the same in it). A line is kept by
// its bytes as given: drawn again, it is neither converted nor rendered anew.
int DrawTextCp949(const TSurfaceDC& target, int x, int y, std::string_view cp949, int points, TColor colour);
// The rows from its top down that DrawTextCp949 may change for that text, with the face in use.
int TextRowsCp949(std::string_view cp949, int points);

// The face file chosen for "Default" (empty when none was found).
std::string_view DefaultFacePath();
// Draws "Default" with the face file at path from now on (empty: none), instead of the one found.
void UseDefaultFace(std::string path);

// Forgets the rendered lines and their measured rows kept for reuse.
void ResetTextCache();
