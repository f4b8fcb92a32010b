// TSystem::HandlePointer: edge scrolling, the selection rectangle, right-click orders,
// map editing, and the marker and pointer pictures.
#include "core/Settings.h"
#include "game/World.h"
#include "gfx/DDCanvas.h"
#include "gfx/Display.h"
#include "gfx/Drawing.h"
#include "gfx/FrameList.h"
#include "platform/GameInput.h"
#include "platform/VirtualKeys.h"

namespace {

constexpr TRect CellMarker = {287, 16, 287 + 64, 16 + 23};
constexpr TRect GroundMarker = {351, 16, 351 + 64, 16 + 23};
TRect PointerPicture(int phase) { return MakeRect(251 + 18 * phase, 16, 18, 18); }

// Corner overlap in the inclusive sense: a corner of either rectangle inside the other.
bool CornersMeet(const TRect& a, const TRect& b) {
  const TPoint corners[4] = {{a.Left, a.Top}, {a.Right, a.Top}, {a.Left, a.Bottom}, {a.Right, a.Bottom}};
  for (const TPoint& p : corners)
    if (PointInRect(b, p)) return true;
  return false;
}

}  // namespace

// True when the pointer scrolled and the camera became free: the frame's pointer work ends.
bool TSystem::ScrollAtEdges(const TPoint& P) {
  bool scrolled = false, horizontal = false;
  if (P.X <= 0) {
    FScrollX -= 30;
    scrolled = horizontal = true;
  }
  if (P.X >= ScreenWidth - 1) {
    FScrollX += 30;
    scrolled = horizontal = true;
  }
  if (P.Y <= 0) {
    FScrollY -= horizontal ? 14 : 28;
    scrolled = true;
  }
  if (P.Y >= ScreenHeight - 1) {
    FScrollY += horizontal ? 14 : 28;
    scrolled = true;
  }
  if (!scrolled) return false;
  if (FScrollX < -30) {
    FCameraX -= 1;
    FCameraY -= 1;
    FScrollX += 60;
  }
  if (FScrollX >= 30) {
    FCameraX += 1;
    FCameraY += 1;
    FScrollX -= 60;
  }
  if (FScrollY < -14) {
    FCameraX += 1;
    FCameraY -= 1;
    FScrollY += 28;
  }
  if (FScrollY >= 14) {
    FCameraX -= 1;
    FCameraY += 1;
    FScrollY -= 28;
  }
  if (KeyDownNow(VK_LEFT) || KeyDownNow(VK_UP) || KeyDownNow(VK_RIGHT) || KeyDownNow(VK_DOWN)) return false;
  SetCameraFree(true);
  return true;
}

void TSystem::EditMap(const TPoint& C) {
  for (int key = '1'; key <= '6'; ++key) {
    if (!KeyDownNow(key)) continue;
    FPaintKind = (key - 48 + 9) % 10;
    FMap->SetCell(CellKind, C.X, C.Y, static_cast<uint8_t>(FPaintKind));
  }
  const int h = FMap->GetCell(CellHeight, C.X, C.Y);
  // The main row's "=" and "-" as well, for keyboards without a keypad; every key is read, so
  // none keeps a press for later.
  const bool keypadRaise = KeyPressedSince(VK_ADD), rowRaise = KeyPressedSince(VK_OEM_PLUS);
  const bool keypadLower = KeyPressedSince(VK_SUBTRACT), rowLower = KeyPressedSince(VK_OEM_MINUS);
  const bool raise = keypadRaise || rowRaise, lower = keypadLower || rowLower;
  if (raise && h < 9) FMap->SetCell(CellHeight, C.X, C.Y, static_cast<uint8_t>(h + 1));
  const int h2 = FMap->GetCell(CellHeight, C.X, C.Y);
  if (lower && h2 > 0) FMap->SetCell(CellHeight, C.X, C.Y, static_cast<uint8_t>(h2 - 1));
}

void TSystem::TrackSelection(const TPoint& P) {
  const bool leftDown = KeyDownNow(VK_LBUTTON);
  if (leftDown && FDragging) {
    if (Display && Display->FBackCanvas) {
      const TDDCanvas& canvas = *Display->FBackCanvas;
      FView.FFrame.Add(TBox{{FDragStart.X, FDragStart.Y, P.X, P.Y},
                            canvas.Pen.Color,
                            canvas.Brush.Color,
                            canvas.Brush.Style == TBrushStyle::Solid});
    }
  } else if (leftDown) {
    FDragging = true;
    FDragStart = P;
  } else if (FDragging) {
    TRect r{FDragStart.X, FDragStart.Y, P.X, P.Y};
    if (r.Left > r.Right) SwapInts(r.Left, r.Right);
    if (r.Top > r.Bottom) SwapInts(r.Top, r.Bottom);
    uint8_t caught = 0;
    for (int i = 1; i <= PersonCount; ++i) {
      const TPerson* person = Person(i);
      if (!person) continue;
      TRect box;
      person->GetSelectRect(box);
      if (CornersMeet(box, r) || CornersMeet(r, box)) caught |= static_cast<uint8_t>(1u << i);
    }
    if (caught) FSelected = caught;
    FDragging = false;
  }
}

void TSystem::DrawPointerPictures(const TPoint& P, const TPoint& B, int hC, const TPoint& s0) {
  if (!FDragging) {
    const int x = B.X - s0.X - 2, y = B.Y - s0.Y + 3;
    if (hC > 0) FView.FFrame.Add(TSheetPicture::Of(TSheetPicture::Keyed, x, y, 1, GroundMarker, true));
    FView.FFrame.Add(TSheetPicture::Of(TSheetPicture::Keyed, x, y - 13 * hC, 1, CellMarker, true));
  }
  FView.FFrame.Add(TSheetPicture::Of(TSheetPicture::Keyed, P.X, P.Y, 1, PointerPicture(FCursorPhase), true));
}

void TSystem::HandlePointer() {
  const TPoint P = GameCursorPos();
  const TPoint s0{FScrollX, FScrollY};
  if (!FDragging && ScrollAtEdges(P)) return;
  FCursorPhase = (FCursorPhase + 1) % 2;
  const TPoint C = ScreenToCell(TPoint{P.X + s0.X, P.Y + s0.Y});
  const TPoint B = CellToScreen(C);
  const int hC = FMap->GetCell(CellHeight, C.X, C.Y);
  if (KeyPressedSince(VK_RBUTTON)) {
    for (int i = 1; i <= PersonCount; ++i)
      if (FSelected & (1u << i)) RequestPath(i, C, TPoint{P.X - B.X, P.Y - B.Y});
  }
  if (Settings.MapEditing) EditMap(C);
  TrackSelection(P);
  DrawPointerPictures(P, B, hC, s0);
  if (!FView.FFrameOpen) FView.DrawFrame();
}
