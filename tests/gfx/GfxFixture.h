// Shared set-up of the graphics tests: a fresh program, a display with a back buffer and two
// sheets made directly (no loading), and BMP bytes made in memory.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "core/Settings.h"
#include "game/ProgramState.h"
#include "gfx/DDUtils.h"
#include "gfx/Display.h"
#include "gfx/Drawing.h"
#include "gfx/Overlay.h"
#include "platform/headless/PlatformHeadless.h"
#include "res/Resources.h"

class GfxTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetProgramState();
    SetResourceTableForTesting(std::vector<TResource>{});  // no embedded sheet stands in
  }
  void TearDown() override {
    display.reset();
    ResetProgramState();
  }

  // A display of ScreenWidth x ScreenHeight in `kind` with blank sheets of the given size.
  TDisplay& MakeDisplay(int kind = PixelKind565, int sheetW = 640, int sheetH = 480) {
    display = std::make_unique<TDisplay>();
    display->FFullScreen = true;
    display->FPrimary = std::make_unique<TDDSurface>(ScreenWidth, ScreenHeight, kind);
    display->FBackBuffer = MakeBackBuffer(ScreenWidth, ScreenHeight, kind);
    for (int i = 1; i <= 2; ++i) {
      display->FSheets[i] = std::make_unique<TDDSurface>(sheetW, sheetH, kind);
      display->FSheets[i]->SetColorKey(0, 0);
    }
    display->FPixelKind = kind;
    Display = display.get();
    SelectPixelFormat(static_cast<uint8_t>(kind));
    return *display;
  }
  // A 5-6-5 display whose back buffer has the canvas the overlay writes with, the overlay on
  // and no rate measured yet.
  void MakeOverlayDisplay() {
    MakeDisplay(PixelKind565);
    display->FBackCanvas = std::make_unique<TDDCanvas>(display->FBackBuffer.get());
    display->FBackCanvas->Brush.Style = TBrushStyle::Clear;
    Settings.ShowOverlay = true;
    FramesPerSecond = 0;
  }

  TDDSurface& Back() { return *display->FBackBuffer; }
  TDDSurface& Sheet(int i) { return *display->FSheets[i]; }
  static uint16_t At(const TDDSurface& s, int x, int y) { return s.Pixels()[y * (s.Pitch() / 2) + x]; }
  static void Set(TDDSurface& s, int x, int y, uint16_t v) { s.WritePixels(y, y + 1)[y * (s.Pitch() / 2) + x] = v; }
  static void Fill(TDDSurface& s, TRect r, uint16_t v) {
    for (int y = r.Top; y < r.Bottom; ++y)
      for (int x = r.Left; x < r.Right; ++x) Set(s, x, y, v);
  }
  // Pixels that differ from `v` inside the surface.
  static int CountNot(const TDDSurface& s, uint16_t v) {
    int n = 0;
    for (int y = 0; y < s.Height(); ++y)
      for (int x = 0; x < s.Width(); ++x) n += At(s, x, y) != v;
    return n;
  }
  // The overlay's three lines as they should stand on a black 640 x 480 back buffer.
  static std::vector<uint16_t> OverlayPicture(const std::string& fps, int walk, int face) {
    TDDSurface s(640, 480, PixelKind565);
    TDDCanvas c(&s);
    c.Brush.Style = TBrushStyle::Clear;
    c.TextOut(0, 0, "FPS : " + fps);
    c.TextOut(0, 20, "Walk Frame : " + std::to_string(walk));
    c.TextOut(0, 40, "Face Count : " + std::to_string(face));
    c.Release();
    return {s.Pixels(), s.Pixels() + 640 * 480};
  }

  std::unique_ptr<TDisplay> display;
};

// An uncompressed BMP in memory: 4 or 8 bits with a colour table, or 24 bits.
struct TTestBitmap {
  int Width = 4;
  int Height = 3;  // negative: top row first
  int Bits = 8;
  std::vector<uint32_t> Colours;  // 0x00RRGGBB
  // Top row first: indices, or 0x00RRGGBB for 24 bits.
  std::vector<uint32_t> Pixels;
};

inline void PutLe(std::vector<uint8_t>& out, size_t at, uint32_t v, int bytes) {
  for (int i = 0; i < bytes; ++i) out[at + i] = static_cast<uint8_t>(v >> (8 * i));
}

// Without the 14-byte file header (the resource form) unless withFileHeader.
inline std::vector<uint8_t> MakeBmp(const TTestBitmap& s, bool withFileHeader) {
  const int h = s.Height < 0 ? -s.Height : s.Height;
  const size_t stride = ((static_cast<size_t>(s.Width) * s.Bits + 31) / 32) * 4;
  const size_t head = withFileHeader ? 14 : 0;
  const size_t table = s.Colours.size() * 4;
  std::vector<uint8_t> out(head + 40 + table + stride * h, 0);
  if (withFileHeader) {
    out[0] = 'B';
    out[1] = 'M';
    PutLe(out, 2, static_cast<uint32_t>(out.size()), 4);
    PutLe(out, 10, static_cast<uint32_t>(head + 40 + table), 4);
  }
  PutLe(out, head + 0, 40, 4);
  PutLe(out, head + 4, static_cast<uint32_t>(s.Width), 4);
  PutLe(out, head + 8, static_cast<uint32_t>(s.Height), 4);
  PutLe(out, head + 12, 1, 2);
  PutLe(out, head + 14, static_cast<uint32_t>(s.Bits), 2);
  PutLe(out, head + 20, static_cast<uint32_t>(stride * h), 4);
  PutLe(out, head + 32, s.Bits <= 8 && s.Colours.size() == (1u << s.Bits) ? 0 : static_cast<uint32_t>(s.Colours.size()),
        4);
  for (size_t i = 0; i < s.Colours.size(); ++i) PutLe(out, head + 40 + 4 * i, s.Colours[i], 4);
  const size_t pixels = head + 40 + table;
  for (int y = 0; y < h; ++y) {
    const int stored = s.Height > 0 ? h - 1 - y : y;
    uint8_t* row = out.data() + pixels + stride * stored;
    for (int x = 0; x < s.Width; ++x) {
      const uint32_t v = s.Pixels[static_cast<size_t>(y) * s.Width + x];
      if (s.Bits == 24) {
        row[3 * x] = v & 255;
        row[3 * x + 1] = (v >> 8) & 255;
        row[3 * x + 2] = (v >> 16) & 255;
      } else if (s.Bits == 8) {
        row[x] = static_cast<uint8_t>(v);
      } else {
        row[x / 2] |= static_cast<uint8_t>((x & 1) ? v & 15 : (v & 15) << 4);
      }
    }
  }
  return out;
}
