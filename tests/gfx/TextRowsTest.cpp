// The rows a line of text reaches, as the frame list measures them and keeps them.
#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "core/Log.h"
#include "gfx/FrameList.h"
#include "gfx/TextRenderer.h"
#include "util/ScratchPath.h"

namespace {

// A line measured, then measured again once the face has changed (to a file that is no face,
// which draws nothing) and once it is back: each time the face of the moment answers.
TEST(TextRowsTest, RowsMeasuredAfterTheFaceChangesAreTheNewFaces) {
  if (DefaultFacePath().empty()) GTEST_SKIP() << "no font on this machine";
  const std::string face(DefaultFacePath());
  TScratchPath noFace("corvina-no-face");
  std::ofstream(noFace.Path) << "not a font";
  const TTextLine line{5, 40, 12, 0, "FPS : 61.25"};
  ResetTextCache();
  const int rows = line.Bottom() - line.Y;
  EXPECT_GE(rows, 16);
  TLogCapture log;
  UseDefaultFace(noFace.Path.string());
  EXPECT_EQ(line.Bottom(), line.Y);
  UseDefaultFace(face);
  EXPECT_EQ(line.Bottom(), line.Y + rows);
  EXPECT_EQ(log.Count("cannot open font"), 1);
}

}  // namespace
