// TPerson's drawing: shadow, picture in one of four ways, the see-through pass, the
// selection box and the speech lines.
#include <cmath>
#include <cstdint>

#include "game/Person.h"
#include "game/World.h"
#include "gfx/DDCanvas.h"
#include "gfx/Display.h"
#include "gfx/Drawing.h"
#include "gfx/FrameList.h"
#include "platform/GameInput.h"

namespace {

constexpr TRect ShadowPicture = {250, 40, 277, 53};  // on sheet 1
constexpr int LinePixels = 16;                       // distance between speech lines

TDDSurface* SheetOf(int index) {
  if (!Display || index < 1 || index > 2) return nullptr;
  return Display->FSheets[index].get();
}
TDDSurface* BackBuffer() { return Display ? Display->FBackBuffer.get() : nullptr; }

const TSheetFrame* FrameOf(TPerson& p) {
  const int kind = p.FFrameKind, index = p.GetFrameIndex();
  if (!World || kind < 1 || kind > FrameKinds || index < 0 || index >= FramesPerKind) return nullptr;
  return &World->FFrames[kind][index];
}

}  // namespace

void TPerson::Draw(TFrameList& Frame, const TPoint& P) {
  if (Display) Display->UnlockBackBuffer();
  if (FShadow && SheetOf(1) && BackBuffer()) {
    Frame.Add(TSpritePicture{
        TSpritePicture::Blend, bmAdd, P.X - 14, P.Y - 17, ShadowPicture, FMoving ? -30 : -50, {SheetOf(1)}});
  }
  DrawPicture(Frame, P);
}

void TPerson::DrawPicture(TFrameList& Frame, const TPoint& P) {
  const TSheetFrame* f = FrameOf(*this);
  if (!f) return;
  int x = P.X, y = P.Y - FLift;
  if (FOpacity == 100 && FAddLevel == 100 && FBrightness == 0) {
    Frame.Add(TSheetPicture::Of(TSheetPicture::Keyed, x, y, f->Sheet, f->Rect, false));
    return;
  }
  TDDSurface* source = SheetOf(f->Sheet);
  TDDSurface* dest = BackBuffer();
  if (!source || !dest) return;
  TRect r = f->Rect;
  ClipToScreen(x, y, r, false);
  if (FOpacity != 100) {
    const int level = static_cast<int>(std::nearbyint(FOpacity * 1.28));
    Frame.Add(TSpritePicture{TSpritePicture::Blend, bmAlpha, x, y, r, level, {source}});
  } else if (FAddLevel != 100) {
    Frame.Add(TSpritePicture{TSpritePicture::Blend, bmAdd, x, y, r, FAddLevel, {source}});
  } else {
    Frame.Add(TSpritePicture{TSpritePicture::Brighten, bmAlpha, x, y, r, FBrightness, {source}});
  }
}

void TPerson::DrawSeeThrough(TFrameList& Frame, const TPoint& P) {
  if (FAddLevel != 100 || FOpacity != 100) return;
  const TSheetFrame* f = FrameOf(*this);
  if (!f) return;
  Frame.Add(TSheetPicture::Of(TSheetPicture::Stippled, P.X, P.Y - FLift, f->Sheet, f->Rect, false, NoCut, FBrightness));
}

void TPerson::GetSelectRect(TRect& R) const {
  TPoint s = World && World->FMap ? World->CellToScreen(TPoint{FCellX, FCellY}) : TPoint{};
  if (World) {
    s.X -= World->FScrollX;
    s.Y -= World->FScrollY;
  }
  R = TRect{s.X + 11, s.Y - 40, s.X + 50, s.Y + 20};
}

void TPerson::ClearSpeech() {
  for (TSpeechLine& line : FSpeech) line = TSpeechLine{};
  FSpeechUntil = 0;
}

void TPerson::HoldSpeech(int Ms) { FSpeechUntil = static_cast<int>(GameTicks() + static_cast<uint32_t>(Ms)); }

void TPerson::Say(std::string_view Text, TColor Colour) {
  for (TSpeechLine& line : FSpeech) {
    if (!line.Text.empty()) continue;
    line.Text = std::string(Text.substr(0, SpeechTextLimit));
    line.Colour = Colour;
    return;
  }
}

void TPerson::DrawSpeech(TFrameList& Frame, int X, int Y) {
  if (FSpeech[0].Text.empty()) return;
  TDDCanvas* canvas = Display ? Display->FBackCanvas.get() : nullptr;
  if (canvas) {
    const int points = canvas->Font.Size;
    for (size_t i = 0; i < FSpeech.size() && !FSpeech[i].Text.empty(); ++i) {
      const int y = Y + LinePixels * static_cast<int>(i);
      // A shadow a pixel down and right, then the line in its colour.
      Frame.Add(TTextLine{X + 1, y + 1, points, 0, FSpeech[i].Text});
      Frame.Add(TTextLine{X, y, points, FSpeech[i].Colour, FSpeech[i].Text});
      canvas->Font.Color = FSpeech[i].Colour;
    }
  }
  // Compared as a difference, so the expiry also holds across the clock's wrap.
  if (static_cast<int32_t>(GameTicks() - static_cast<uint32_t>(FSpeechUntil)) >= 0) ClearSpeech();
}
