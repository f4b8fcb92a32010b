// TSearchPath: a flood from the goal that stops at the start; the walk is read off its marks.
#include "game/SrchPath.h"

#include <algorithm>

namespace {

constexpr uint8_t GoalMark = 10;

// Per back-step code 1..8: the step from the marked cell towards the goal.
constexpr TPoint BackStep[9] = {{0, 0},  {0, -1},  {-1, 0}, {1, 0}, {0, 1},
                                {-1, -1}, {1, -1}, {-1, 1}, {1, 1}};

}  // namespace

char BackStepDigit(int Code) {
  if (Code < 1 || Code > 8) return 0;
  return static_cast<char>('0' + 5 + 3 * BackStep[Code].X + BackStep[Code].Y);
}

TSearchPath::TSearchPath(uint16_t Width, uint16_t Height, const uint8_t* Data)
    : FWidth(std::min<uint16_t>(Width, SearchGridSize)),
      FHeight(std::min<uint16_t>(Height, SearchGridSize)) {
  for (int y = 0; y < Height; ++y)
    for (int x = 0; x < Width; ++x) {
      const uint8_t value = *Data++;
      if (x < FWidth && y < FHeight) FBlocked[x][y] = value;
    }
}

bool TSearchPath::IsFree(int X, int Y) const {
  return X >= 0 && X < FWidth && Y >= 0 && Y < FHeight && FBlocked[X][Y] != 1;
}

void TSearchPath::Mark(int X, int Y, uint8_t Code) {
  FFrom[X][Y] = Code;
  FQueue.push_back(TPoint{X, Y});
}

void TSearchPath::Expand(int X, int Y) {
  if (IsOpen(X, Y - 1)) Mark(X, Y - 1, 4);
  if (IsOpen(X + 1, Y)) Mark(X + 1, Y, 2);
  if (IsOpen(X, Y + 1)) Mark(X, Y + 1, 1);
  if (IsOpen(X - 1, Y)) Mark(X - 1, Y, 3);
  if (IsOpen(X - 1, Y - 1) && IsFree(X - 1, Y) && IsFree(X, Y - 1)) Mark(X - 1, Y - 1, 8);
  if (IsOpen(X + 1, Y - 1) && IsFree(X, Y - 1) && IsFree(X + 1, Y)) Mark(X + 1, Y - 1, 7);
  if (IsOpen(X + 1, Y + 1) && IsFree(X + 1, Y) && IsFree(X, Y + 1)) Mark(X + 1, Y + 1, 5);
  if (IsOpen(X - 1, Y + 1) && IsFree(X, Y + 1) && IsFree(X - 1, Y)) Mark(X - 1, Y + 1, 6);
}

std::vector<uint8_t> TSearchPath::Search(const TPoint& Start, const TPoint& Goal) {
  std::vector<uint8_t> walk;
  // A goal outside the grids cannot be marked; no walk can end there.
  if (Goal.X < 0 || Goal.X >= SearchGridSize || Goal.Y < 0 || Goal.Y >= SearchGridSize) return walk;
  FQueue.clear();
  std::fill(&FFrom[0][0], &FFrom[0][0] + sizeof(FFrom), uint8_t{0});
  Mark(Goal.X, Goal.Y, GoalMark);
  while (!FQueue.empty()) {
    const TPoint cell = FQueue.front();
    FQueue.pop_front();
    if (cell == Start) {
      TPoint q = Start;
      while (FFrom[q.X][q.Y] != GoalMark) {
        const uint8_t code = FFrom[q.X][q.Y];
        walk.push_back(code);
        q.X += BackStep[code].X;
        q.Y += BackStep[code].Y;
      }
      break;
    }
    Expand(cell.X, cell.Y);
  }
  FQueue.clear();
  return walk;
}

void TSearchPath::FindPath(const TPoint& Start, const TPoint& Goal, std::string& Path) {
  std::string result;
  for (uint8_t code : Search(Start, Goal))
    if (const char digit = BackStepDigit(code)) result += digit;
  Path = result;
}
