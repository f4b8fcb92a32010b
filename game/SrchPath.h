// TSearchPath: the breadth-first grid search that turns a start and a goal into a string of
// direction digits (one per step, eight neighbours, no cutting of blocked corners).
#pragma once

#include <cstdint>
#include <deque>
#include <string>
#include <vector>

#include "core/Types.h"

constexpr int SearchGridSize = 100;  // fixed size of both grids, cells per side

class TSearchPath {
 public:
  // Data: Height rows of Width bytes, 1 = blocked. Sizes above 100 are limited to 100.
  TSearchPath(uint16_t Width, uint16_t Height, const uint8_t* Data);

  // The digits of a shortest walk from Start to Goal, first step first; empty when
  // Start = Goal, when no walk exists, or when a goal coordinate lies outside 0..99.
  void FindPath(const TPoint& Start, const TPoint& Goal, std::string& Path);
  // The back-step codes (1..8) of that walk, in walking order.
  std::vector<uint8_t> Search(const TPoint& Start, const TPoint& Goal);

  bool IsFree(int X, int Y) const;
  bool IsOpen(int X, int Y) const { return IsFree(X, Y) && FFrom[X][Y] == 0; }

  uint16_t FWidth;   // columns of the search area, at most 100
  uint16_t FHeight;  // rows of the search area, at most 100
  std::deque<TPoint> FQueue;                           // cells waiting to be expanded
  uint8_t FBlocked[SearchGridSize][SearchGridSize]{};  // [X][Y]; 1 = blocked
  uint8_t FFrom[SearchGridSize][SearchGridSize]{};     // [X][Y]; 0 unreached, 1..8 back-step, 10 goal

 private:
  void Expand(int X, int Y);
  void Mark(int X, int Y, uint8_t Code);
};

// The direction digit of a back-step code 1..8 (0 for any other code).
char BackStepDigit(int Code);
