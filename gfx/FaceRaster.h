// One face file turned into lines of coverage: HarfBuzz places the glyphs, FreeType draws them
// hinted at the size in points on a 96 dpi grid. Independent of colour and of any surface; the
// library types stay in the source file.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

// One line's box, row by row: 0 is empty, 255 fully inked.
struct TCoverage {
  int Width = 0;
  int Height = 0;
  std::vector<uint8_t> Alpha;
};

class TFaceRaster {
 public:
  // Starts FreeType for the face file; the file itself is opened at each size's first use.
  // Null, with the reason, when FreeType cannot start.
  static std::unique_ptr<TFaceRaster> Create(std::string path, std::string& reason);
  ~TFaceRaster();
  TFaceRaster(const TFaceRaster&) = delete;
  TFaceRaster& operator=(const TFaceRaster&) = delete;

  // The line up to its first NUL. The box is as tall as the face (ascent to descent) and as
  // wide as the pen's travel, grown to every glyph's ink, cut at 65535 pixels each way; the
  // baseline sits at the ascent.
  // false when the face does not open at this size (then the reason says why) or the line has
  // no width.
  bool Render(std::string_view utf8, int points, TCoverage& line, std::string& reason);

 private:
  struct TLibrary;
  struct TSized;
  TFaceRaster(std::string path, std::unique_ptr<TLibrary> library);
  TSized* SizeOf(int points, std::string& reason);

  std::string FPath;
  std::unique_ptr<TLibrary> FLibrary;
  std::map<int, std::unique_ptr<TSized>> FSizes;  // null where the face would not open
};
