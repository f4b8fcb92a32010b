// The world (TSystem, the global World) and the game procedures the host calls.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "core/Types.h"
#include "game/Map.h"
#include "game/Person.h"
#include "game/Tile.h"
#include "game/WorldView.h"

class TDXSound;

// An image sheet (1 terrain, 2 characters) and a rectangle on it.
struct TSheetFrame {
  int Sheet = 0;
  TRect Rect;
};

constexpr int ActorCount = 104;  // FActors[1..104]; 1..4 are the persons
constexpr int PersonCount = 4;
constexpr int FrameKinds = 5;      // FFrames[1..5]
constexpr int FramesPerKind = 49;  // FFrames[k][0..48]; 0..11 are filled

class TSystem {
 public:
  TSystem();
  ~TSystem();
  TSystem(const TSystem&) = delete;
  TSystem& operator=(const TSystem&) = delete;

  void DrawWorld();
  void SetCameraFree(bool Value);
  void SelectNextPerson();
  void PlaySoundAt(int Slot, const TPoint& Cell);
  // The pointer's scrolling, selection, orders, editing and pictures, once per frame.
  void HandlePointer();
  // Plans a walk for person Index to Cell; true when one was handed over.
  bool RequestPath(int Index, const TPoint& Cell, const TPoint& ScreenPoint);
  // Person i (1..4) or nullptr.
  TPerson* Person(int Index) const;
  // Moves persons 1..4 to their start cells on FMap; one without a start cell stays.
  void PlacePersons();
  // FMap's projection for the current view (FViewX, FViewY).
  TPoint CellToScreen(const TPoint& C) const { return TMap::CellToScreen(C, TPoint{FViewX, FViewY}); }
  TPoint ScreenToCell(const TPoint& P) const { return TMap::ScreenToCell(P, TPoint{FViewX, FViewY}); }

  bool FCameraFree = false;  // true: camera at FCameraX/Y + FScroll; false: follows FCurrent
  int FCameraX = 0;          // free camera's map column
  int FCameraY = 0;          // free camera's map row
  int FScrollX = 0;          // pixels inside that cell, -30..29
  int FScrollY = 0;          // pixels inside that cell, -14..13
  uint8_t FSelected = 0;     // bit n = person n selected
  int FCurrent = 1;          // 1..4: keyboard-controlled person the camera follows
  int FFrameCount = 0;       // calls of UpdateWorld
  int FCursorPhase = 0;      // pointer picture phase 0..1
  int FPaintKind = 0;        // terrain kind 0..5 last chosen in map editing
  int FViewX = 0;            // view reference cell, set by every render pass
  int FViewY = 0;
  bool FOrderActive = false;   // an ordered person is still following its path
  TPoint FOrderCell;           // target cell of the last order
  TPoint FOrderPoint;          // pointer offset from the target cell's box corner
  uint8_t FOrderOccupant = 0;  // target cell's occupant byte when ordered
  bool FDragging = false;      // a selection rectangle is open
  TPoint FDragStart;           // where it started, back-buffer pixels
  std::unique_ptr<TMap> FMap;
  std::unique_ptr<TTile> FTiles[24];                   // index kind * 4 + edge variant
  TSheetFrame FFrames[FrameKinds + 1][FramesPerKind];  // [1..5][0..48]
  std::unique_ptr<TSprite> FActors[ActorCount + 1];    // [1..104]; all assigned ones owned
  TWorldView FView;                                    // the drawing's caches for the camera

 private:
  bool ScrollAtEdges(const TPoint& P);
  void EditMap(const TPoint& C);
  void TrackSelection(const TPoint& P);
  void DrawPointerPictures(const TPoint& P, const TPoint& B, int hC, const TPoint& s0);
};

// The running game's world (nullptr when none runs). GameStart owns the world it makes; a test
// may point this to a world it owns itself.
extern TSystem* World;
// The host's sound player (nullptr when there is none); footsteps play through it.
extern TDXSound* HostSound;
// Set when the game asks for the main window to close (Esc in free mode); the host reads it.
extern bool CloseRequested;
// When not empty, GameStart loads this map file instead of the resource or MAP.DAT.
extern std::string MapFileOverride;
// When not empty, GameStart plays on these stored bytes instead (a replay's map, kept in its
// recording); before MapFileOverride.
extern std::vector<uint8_t> MapDataOverride;

// The map GameStart plays on: MapDataOverride or MapFileOverride when set, else the resource or
// the MAP.DAT beside the program. Throws as TMap's loaders do.
std::unique_ptr<TMap> LoadGameMap();
void GameStart();
void GameFrame();
void GameStop();
// Back to no game: the world stopped, no sound player, no close request, no map override and
// the random generator at its start.
void ResetGame();
void UpdateWorld(bool WithPointer, bool WithOverlay);
// GetAsyncKeyState semantics while the window has the focus: 0x8000 down now, bit 0 pressed
// since the previous query (consumed); 0 without the focus.
uint16_t KeyState(int VK);
// The two halves of KeyState: held down now, and pressed since the previous query of that key
// (either query consumes the press).
inline bool KeyDownNow(int VK) { return (KeyState(VK) & 0xFF00) != 0; }
inline bool KeyPressedSince(int VK) { return (KeyState(VK) & 0x00FF) != 0; }
bool PointInRect(const TRect& Rect, const TPoint& Point);
void SwapInts(int& A, int& B);
