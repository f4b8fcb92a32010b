// The keys the help (F1) lists and the first start's hint names: the desktop program's, or the
// page's, where the browser keeps F12 and full screen for itself.
#pragma once

#include <span>

struct THelpLine {
  const char* Key;
  const char* Effect;
};

struct TKeyGuide {
  std::span<const THelpLine> Help;  // the first line is the panel's title
  const char* Hint;                 // over the first start's picture; null: none
};

extern const TKeyGuide DesktopKeys;
extern const TKeyGuide PageKeys;
