// Drawing only the rows of a frame that can differ from the last frame must give every frame a
// full redraw gives: every golden scene run on past its end (persons wander, speak and walk
// under the pointer; a selection box is dragged), with the overlay and without.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "core/Settings.h"
#include "game/World.h"
#include "headless/HeadlessRunner.h"

namespace fs = std::filesystem;

namespace {

fs::path GoldenDir() {
  const char* src = std::getenv("CORVINA_SOURCE_DIR");
  return fs::path(src ? src : CORVINA_TEST_SOURCE_DIR) / "tests" / "golden";
}

struct TRun {
  std::vector<std::string> Trace;  // frame CRCs included
  long RowsDrawn = 0;              // rows of the world drawn over the run
};

TRun RunScene(const fs::path& script, bool changedOnly, bool overlay) {
  THeadlessOptions o;
  o.Frames = 240;
  o.ScriptFile = script.string();
  o.HighRes = script.stem() == "highres";
  o.Trace = true;
  o.Hash = true;
  TRun run;
  THeadlessRun headless(o);
  const bool overlayBefore = Settings.ShowOverlay;
  Settings.ShowOverlay = overlay;
  for (bool more = true; more;) {
    if (World != nullptr) World->FView.FRedrawChanged = changedOnly;
    more = headless.Step([&](const std::string& line) { run.Trace.push_back(line); });
    if (World != nullptr) run.RowsDrawn += World->FView.FRenderer.DrawnRows();
  }
  Settings.ShowOverlay = overlayBefore;
  return run;
}

TEST(ChangedRows, DrawingOnlyTheRowsThatCanDifferGivesEveryFrameOfAFullRedraw) {
  int scenes = 0;
  for (const auto& entry : fs::directory_iterator(GoldenDir())) {
    if (entry.path().extension() != ".txt") continue;
    ++scenes;
    for (bool overlay : {false, true}) {
      const TRun all = RunScene(entry.path(), false, overlay);
      const TRun changed = RunScene(entry.path(), true, overlay);
      ASSERT_EQ(changed.Trace.size(), all.Trace.size()) << entry.path();
      for (size_t i = 0; i < all.Trace.size(); ++i) {
        ASSERT_EQ(changed.Trace[i], all.Trace[i])
            << entry.path() << (overlay ? " with" : " without") << " the overlay: first difference at frame " << i + 1;
      }
      // Most frames change little: far fewer rows are drawn than the frames hold.
      EXPECT_LT(changed.RowsDrawn * 2, 240L * (entry.path().stem() == "highres" ? 600 : 480)) << entry.path();
    }
  }
  EXPECT_GE(scenes, 5);
}

}  // namespace
