// TSearchPath: a flood from the goal that stops at the start; the walk is read off its marks.
#include "game/SrchPath.h"

#include <algorithm>

namespace {

constexpr uint8_t GoalMark = 10;
constexpr uint8_t MarkBits = 0x7F;

// Per back-step code 1..8: the step from the marked cell towards the goal.
constexpr TPoint BackStep[9] = {{0, 0}, {0, -1}, {-1, 0}, {1, 0}, {0, 1}, {-1, -1}, {1, -1}, {-1, 1}, {1, 1}};

}  // namespace

char BackStepDigit(int Code) {
  if (Code < 1 || Code > 8) return 0;
  return static_cast<char>('0' + 5 + 3 * BackStep[Code].X + BackStep[Code].Y);
}

TSearchPath::TSearchPath(uint16_t Width, uint16_t Height, const uint8_t* Data)
    : FWidth(std::min<uint16_t>(Width, SearchGridSize)),
      FHeight(std::min<uint16_t>(Height, SearchGridSize)),
      FData(Data),
      FDataStride(Width),
      FStride(FWidth + 3) {}

bool TSearchPath::IsFree(int X, int Y) const {
  return X >= 0 && X < FWidth && Y >= 0 && Y < FHeight && FData[static_cast<ptrdiff_t>(Y) * FDataStride + X] != 1;
}

void TSearchPath::LoadRow(int Row) {
  uint8_t* cells = FCells.data() + static_cast<ptrdiff_t>(Row) * FStride;
  if (Row == 0 || Row > FHeight) {
    std::fill_n(cells, FStride, Blocked);
    return;
  }
  const uint8_t* data = FData + static_cast<ptrdiff_t>(Row - 1) * FDataStride;
  cells[0] = Blocked;
  for (int x = 0; x < FWidth; ++x) cells[x + 1] = data[x] == 1 ? Blocked : 0;
  cells[FWidth + 1] = cells[FWidth + 2] = Blocked;
}

bool TSearchPath::Flood(int start, int goal, int goalRow) {
  uint8_t* cells = FCells.data();
  const int s = FStride;
  // The flood spreads a row at a time, so the rows it has reached are one band around the
  // goal's; a row is copied afresh, dropping an earlier search's marks, as the band takes it in.
  int top = goalRow - 1, bottom = goalRow + 1;
  LoadRow(top);
  LoadRow(goalRow);
  LoadRow(bottom);
  int head = 0, tail = 0;
  cells[goal] |= GoalMark;
  FQueue[tail++] = static_cast<uint16_t>(goal);
  // The neighbours in the order they are marked; a diagonal only past two free sides. The
  // start is done once marked: the marks its walk is read from are all set by then.
  const auto mark = [&](int at, uint8_t code) {
    cells[at] = code;
    FQueue[tail++] = static_cast<uint16_t>(at);
    return at == start;
  };
  const auto open = [&](int at) { return cells[at] == 0; };
  const auto unblocked = [&](int at) { return (cells[at] & Blocked) == 0; };
  while (head < tail) {
    const int c = FQueue[head++];
    // A queued cell is free or the goal, so the rows above and below it lie within the border.
    if (c < (top + 1) * s) LoadRow(--top);
    if (c >= bottom * s) LoadRow(++bottom);
    if ((open(c - s) && mark(c - s, 4)) || (open(c + 1) && mark(c + 1, 2)) || (open(c + s) && mark(c + s, 1)) ||
        (open(c - 1) && mark(c - 1, 3)) ||
        (open(c - s - 1) && unblocked(c - 1) && unblocked(c - s) && mark(c - s - 1, 8)) ||
        (open(c - s + 1) && unblocked(c - s) && unblocked(c + 1) && mark(c - s + 1, 7)) ||
        (open(c + s + 1) && unblocked(c + 1) && unblocked(c + s) && mark(c + s + 1, 5)) ||
        (open(c + s - 1) && unblocked(c + s) && unblocked(c - 1) && mark(c + s - 1, 6))) {
      return true;
    }
  }
  return false;
}

std::vector<uint8_t> TSearchPath::Search(const TPoint& Start, const TPoint& Goal) {
  std::vector<uint8_t> walk;
  // A goal outside the grids cannot be marked; one past the border has no free neighbour.
  if (Goal.X < 0 || Goal.X >= SearchGridSize || Goal.Y < 0 || Goal.Y >= SearchGridSize) return walk;
  if (Goal.X > FWidth || Goal.Y > FHeight || Start == Goal || !IsFree(Start.X, Start.Y)) return walk;
  const int start = Cell(Start.X, Start.Y), goal = Cell(Goal.X, Goal.Y);
  if (!Flood(start, goal, Goal.Y + 1)) return walk;
  for (int at = start; (FCells[at] & MarkBits) != GoalMark;) {
    const uint8_t code = FCells[at] & MarkBits;
    walk.push_back(code);
    at += BackStep[code].Y * FStride + BackStep[code].X;
  }
  return walk;
}

void TSearchPath::FindPath(const TPoint& Start, const TPoint& Goal, std::string& Path) {
  std::string result;
  for (uint8_t code : Search(Start, Goal))
    if (const char digit = BackStepDigit(code)) result += digit;
  Path = result;
}
