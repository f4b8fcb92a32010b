// TSystem::RequestPath: a right-click order planned on a 50 x 50 window around the person.
#include <array>

#include "game/SrchPath.h"
#include "game/World.h"
#include "platform/VirtualKeys.h"

namespace {
constexpr int WindowSize = 50;  // cells per side
constexpr int WindowHalf = 25;  // the start's column and row in the window
}  // namespace

bool TSystem::RequestPath(int Index, const TPoint& Cell, const TPoint& ScreenPoint) {
  TPerson* person = Person(Index);
  if (!person) return false;
  // Only presses made after the order may cancel it.
  KeyState(VK_ESCAPE);
  KeyState(VK_RBUTTON);

  TPoint start{person->FCellX, person->FCellY};
  if (person->FMoving) {
    start.X += person->FStepVector.X;
    start.Y += person->FStepVector.Y;
  }
  const TPoint origin{start.X - WindowHalf, start.Y - WindowHalf};
  std::array<uint8_t, WindowSize * WindowSize> window{};
  for (int r = 0; r < WindowSize; ++r)
    for (int c = 0; c < WindowSize; ++c)
      if (!FMap->IsOpenFor(start.X, start.Y, origin.X + c, origin.Y + r, Index)) window[r * WindowSize + c] = 1;
  window[WindowHalf * WindowSize + WindowHalf] = 0;

  std::string path;
  TSearchPath search(WindowSize, WindowSize, window.data());
  search.FindPath(TPoint{WindowHalf, WindowHalf}, TPoint{Cell.X - origin.X, Cell.Y - origin.Y}, path);
  if (path.empty()) return false;

  person->FFreeMode = false;
  person->FPath = path;
  FOrderActive = true;
  FOrderCell = Cell;
  FOrderPoint = ScreenPoint;
  FOrderOccupant = FMap->GetCell(CellOccupant, Cell.X, Cell.Y);
  return true;
}
