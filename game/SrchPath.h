// TSearchPath: the breadth-first grid search that turns a start and a goal into a string of
// direction digits (one per step, eight neighbours, no cutting of blocked corners).
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "core/Types.h"

constexpr int SearchGridSize = 100;  // largest area searched, cells per side; goals lie within it

class TSearchPath {
 public:
  // Data: Height rows of Width bytes, 1 = blocked. Sizes above 100 are limited to 100. Data is
  // read as the searches need it, so it must outlive the object and stay as it is.
  TSearchPath(uint16_t Width, uint16_t Height, const uint8_t* Data);

  // The digits of a shortest walk from Start to Goal, first step first; empty when
  // Start = Goal, when no walk exists, or when a goal coordinate lies outside 0..99. The goal
  // need not be free: the walk may end with a step onto it, even just outside the area.
  void FindPath(const TPoint& Start, const TPoint& Goal, std::string& Path);
  // The back-step codes (1..8) of that walk, in walking order.
  std::vector<uint8_t> Search(const TPoint& Start, const TPoint& Goal);

  bool IsFree(int X, int Y) const;

  uint16_t FWidth;   // columns of the search area, at most 100
  uint16_t FHeight;  // rows of the search area, at most 100

 private:
  // The area in one flat array, one row after another, with a border of blocked cells: one
  // wide left and on top, two right and below, where the goal may lie just outside the area and
  // be looked around from. Each cell: Blocked, and the mark the flood left (0 unreached). A row
  // is copied from the data only when a search first reaches it, so a short search costs what
  // it touches, not the whole area.
  static constexpr int MaxRows = SearchGridSize + 3;
  static constexpr int MaxStride = SearchGridSize + 3;
  static constexpr int MaxCells = MaxStride * MaxRows;
  static constexpr uint8_t Blocked = 0x80;
  int Cell(int X, int Y) const { return (Y + 1) * FStride + X + 1; }
  // Copies row Row of the bordered area (0 = the border on top) from the data.
  void LoadRow(int Row);
  // Floods from the goal until the start is marked; false when it never is.
  bool Flood(int start, int goal, int goalRow);

  const uint8_t* FData;
  int FDataStride;  // bytes per row of FData: the width before limiting
  int FStride;
  // Left unset: a row's cells are written when it is loaded, before anything reads them.
  std::array<uint8_t, MaxCells> FCells;
  std::array<uint16_t, MaxCells> FQueue;  // every cell enters at most once
};

// The direction digit of a back-step code 1..8 (0 for any other code).
char BackStepDigit(int Code);
