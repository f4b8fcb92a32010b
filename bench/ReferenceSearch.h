// The reference for the path search: a plain breadth-first search over a flat array, written
// for reading, with the game's rules. A flood from the goal marks each cell it reaches with
// the step back towards where it came from; neighbours are tried up, right, down, left, then
// the diagonals up-left, up-right, down-right, down-left, a diagonal only where both cells
// beside it are free; the walk from the start follows the marks. Cells are free inside the
// area where their byte is not 1; the goal is marked whatever it is, even just outside the
// area, but only within 0..99 (a goal further than one cell past the area has no free
// neighbour, and no walk).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/Types.h"

inline std::string ReferencePath(int width, int height, const uint8_t* cells, TPoint start, TPoint goal) {
  if (goal.X < 0 || goal.X >= 100 || goal.Y < 0 || goal.Y >= 100) return "";
  if (goal == start) return "";
  if (goal.X > width || goal.Y > height) return "";
  const auto isFree = [&](int x, int y) {
    return x >= 0 && x < width && y >= 0 && y < height && cells[y * width + x] != 1;
  };
  static constexpr TPoint Neighbours[8] = {{0, -1}, {1, 0}, {0, 1}, {-1, 0}, {-1, -1}, {1, -1}, {1, 1}, {-1, 1}};
  // A step as a digit, 5 + 3 dx + dy, and back.
  const auto digitOf = [](int dx, int dy) { return static_cast<char>('5' + 3 * dx + dy); };
  const auto stepOf = [](char digit) {
    const int v = digit - '5', dx = v > 1 ? 1 : v < -1 ? -1 : 0;
    return TPoint{dx, v - 3 * dx};
  };
  // Per cell of the area and the row and column past it: the digit of the step back, 'G' at the goal.
  const int stride = width + 1;
  std::vector<char> from(static_cast<size_t>(stride) * (height + 1), 0);
  std::vector<TPoint> queue;
  queue.reserve(from.size());
  queue.push_back(goal);
  from[goal.X + stride * goal.Y] = 'G';
  for (size_t next = 0; next < queue.size(); ++next) {
    const TPoint c = queue[next];
    if (c == start) {
      std::string path;
      for (TPoint at = start; from[at.X + stride * at.Y] != 'G';) {
        const char digit = from[at.X + stride * at.Y];
        path += digit;
        at = TPoint{at.X + stepOf(digit).X, at.Y + stepOf(digit).Y};
      }
      return path;
    }
    for (const TPoint& n : Neighbours) {
      const int x = c.X + n.X, y = c.Y + n.Y;
      if (!isFree(x, y) || from[x + stride * y] != 0) continue;
      if (n.X != 0 && n.Y != 0 && !(isFree(c.X + n.X, c.Y) && isFree(c.X, c.Y + n.Y))) continue;
      from[x + stride * y] = digitOf(-n.X, -n.Y);
      queue.push_back({x, y});
    }
  }
  return "";
}
