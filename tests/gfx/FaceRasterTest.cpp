// Lines straight from the face: what a line's box holds, and a face file that does not open.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>

#include "gfx/FaceRaster.h"
#include "gfx/TextRenderer.h"
#include "util/ScratchPath.h"

namespace {

int Inked(const TCoverage& line) {
  return static_cast<int>(std::count_if(line.Alpha.begin(), line.Alpha.end(), [](uint8_t a) { return a != 0; }));
}

TEST(FaceRasterTest, ALineEndsAtItsFirstNulAndABlankLineHasWidthButNoInk) {
  if (DefaultFacePath().empty()) GTEST_SKIP() << "no font on this machine";
  std::string reason;
  auto face = TFaceRaster::Create(std::string(DefaultFacePath()), reason);
  ASSERT_NE(face, nullptr) << reason;
  TCoverage hangul, cut, blank, empty;
  ASSERT_TRUE(face->Render("\xED\x95\x9C\xEA\xB8\x80", 12, hangul, reason));  // "한글"
  EXPECT_GE(hangul.Height, 16);                                               // 12 points at 96 dpi, ascent to descent
  EXPECT_EQ(hangul.Alpha.size(), static_cast<size_t>(hangul.Width) * hangul.Height);
  EXPECT_GT(Inked(hangul), 30);
  ASSERT_TRUE(face->Render(std::string_view("\xED\x95\x9C\xEA\xB8\x80\0zz", 9), 12, cut, reason));
  EXPECT_EQ(cut.Width, hangul.Width);
  EXPECT_EQ(cut.Alpha, hangul.Alpha);
  ASSERT_TRUE(face->Render("   ", 12, blank, reason));
  EXPECT_GT(blank.Width, 0);
  EXPECT_EQ(Inked(blank), 0);
  EXPECT_FALSE(face->Render("", 12, empty, reason));
  EXPECT_TRUE(reason.empty()) << reason;
}

TEST(FaceRasterTest, AFileThatIsNoFaceDrawsNothingAndSaysWhy) {
  TScratchPath file("corvina-no-face");
  std::ofstream(file.Path) << "not a font";
  std::string reason;
  auto face = TFaceRaster::Create(file.Path.string(), reason);
  ASSERT_NE(face, nullptr) << reason;
  TCoverage line;
  EXPECT_FALSE(face->Render("A", 12, line, reason));
  EXPECT_NE(reason.find("FreeType error"), std::string::npos) << reason;
  EXPECT_FALSE(face->Render("B", 12, line, reason));
}

}  // namespace
