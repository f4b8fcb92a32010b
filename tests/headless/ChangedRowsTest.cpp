// Drawing only the rows of a frame that can differ from the last frame, from the view's walk kept
// while what it read is the same, must give every frame a full redraw from a fresh walk gives:
// every golden scene run on past its end (persons wander, speak and walk under the pointer; a
// selection box is dragged), with the overlay and without, and long scripts drawn at random.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <random>
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

// beforeFrame(frame) runs before each frame, the first numbered 1.
TRun RunScene(const fs::path& script, bool changedOnly, bool overlay, int frames = 240, bool highRes = false,
              const std::function<void(int)>& beforeFrame = nullptr) {
  THeadlessOptions o;
  o.Frames = frames;
  o.ScriptFile = script.string();
  o.HighRes = highRes || script.stem() == "highres";
  o.Trace = true;
  o.Hash = true;
  TRun run;
  THeadlessRun headless(o);
  const bool overlayBefore = Settings.ShowOverlay;
  Settings.ShowOverlay = overlay;
  for (bool more = true; more;) {
    if (World != nullptr) {
      World->FView.FRedrawChanged = changedOnly;
      // The reference also walks the whole view every frame, so a walk kept too long shows.
      if (!changedOnly) World->FView.FWalk.Valid = false;
      // The step after the last frame only ends the run.
      if (beforeFrame && headless.Frame() < frames) beforeFrame(headless.Frame() + 1);
    }
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

// A long script of what a player does, drawn at random: the pointer still, nudged, flung to
// the edges and dragged; orders, jumps and walks; cells painted, raised and lowered; the view
// brought back.
std::string RandomScript(unsigned seed, int frames) {
  std::mt19937 rng(seed);
  const auto pick = [&](int n) { return static_cast<int>(rng() % static_cast<unsigned>(n)); };
  static const char* const Held[] = {"VK_LEFT", "VK_RIGHT", "VK_UP", "VK_DOWN", "VK_NUMPAD3", "VK_NUMPAD7"};
  static const char* const Tapped[] = {"VK_RBUTTON", "VK_CONTROL", "VK_ADD", "VK_SUBTRACT", "VK_SPACE",
                                       "1",          "4",          "5",      "6",           "VK_OEM_PLUS"};
  std::string script;
  int x = 320, y = 240;
  for (int frame = 1; frame < frames - 20;) {
    const auto line = [&](int at, const std::string& what) { script += std::to_string(at) + " " + what + "\n"; };
    switch (pick(7)) {
      case 0:  // nudged a few pixels, often within one band
        x = std::clamp(x + pick(9) - 4, 1, 638);
        y = std::clamp(y + pick(9) - 4, 1, 478);
        line(frame, "mouse " + std::to_string(x) + " " + std::to_string(y));
        break;
      case 1:  // anywhere, the edges included
        x = pick(5) == 0 ? 0 : pick(640);
        y = pick(5) == 0 ? 479 : pick(480);
        line(frame, "mouse " + std::to_string(x) + " " + std::to_string(y));
        break;
      case 2: {  // a selection dragged
        line(frame, "down VK_LBUTTON");
        const int steps = 1 + pick(6);
        for (int i = 1; i <= steps; ++i) {
          x = std::clamp(x + pick(81) - 40, 1, 638);
          y = std::clamp(y + pick(61) - 30, 1, 478);
          line(frame + i, "mouse " + std::to_string(x) + " " + std::to_string(y));
        }
        line(frame + steps + 1, "up VK_LBUTTON");
        frame += steps + 1;
        break;
      }
      case 3: {
        const char* key = Held[pick(std::size(Held))];
        const int hold = 1 + pick(30);
        line(frame, std::string("down ") + key);
        line(frame + hold, std::string("up ") + key);
        frame += hold;
        break;
      }
      case 4: line(frame, std::string("tap ") + Tapped[pick(std::size(Tapped))]); break;
      default: frame += pick(40); break;  // nothing: the frames that change least
    }
    frame += 1 + pick(3);
  }
  return script;
}

}  // namespace

TEST(ChangedRows, LongRandomScriptsGiveEveryFrameOfAFullRedraw) {
  const fs::path dir = fs::temp_directory_path() / ("corvina-changed-rows-" + std::to_string(::getpid()));
  fs::create_directories(dir);
  constexpr int Frames = 1500;
  for (unsigned seed : {1u, 2u, 3u}) {
    const fs::path script = dir / ("random" + std::to_string(seed) + ".txt");
    std::ofstream(script) << RandomScript(seed, Frames);
    const bool overlay = seed != 2, highRes = seed == 3;
    const TRun all = RunScene(script, false, overlay, Frames, highRes);
    const TRun changed = RunScene(script, true, overlay, Frames, highRes);
    ASSERT_EQ(changed.Trace.size(), all.Trace.size()) << "seed " << seed;
    for (size_t i = 0; i < all.Trace.size(); ++i) {
      ASSERT_EQ(changed.Trace[i], all.Trace[i]) << "seed " << seed << ": first difference at frame " << i + 1;
    }
    EXPECT_LT(changed.RowsDrawn, all.RowsDrawn) << "seed " << seed;
  }
  fs::remove_all(dir);
}

// The free camera moved a pixel a frame over the cells that put person 1 (who stands still)
// at each edge of the screen, its whole offset one way and back, wobbling across on the way
// back: its shadow, cut by the edge where the screen lies on the canvas, shows more of itself
// as the screen moves out over it. Every frame must be the full redraw's.
TEST(ChangedRows, AViewMovedAPixelAtATimeOverAPersonCutByTheScreensEdgesGivesTheFramesOfAFullRedraw) {
  // The camera's cell shows at (300, 236); a cell along one diagonal is 60 pixels across, along
  // the other 28 down. The right and left edges, then the top and bottom.
  struct TSweep {
    int CellX, CellY;  // the camera's cell from person 1's
    bool Down;         // the offset swept: down, else across
    int Range;         // the offsets' count, centred on 0
  };
  constexpr TSweep Sweeps[] = {{-5, -5, false, 60}, {5, 5, false, 60}, {-8, 8, true, 28}, {7, -7, true, 28}};
  int cameraX = 0, cameraY = 0, frames = 0;
  for (const TSweep& s : Sweeps) frames += 2 * s.Range;
  const auto move = [&](int frame) {
    if (frame == 1) {
      World->SetCameraFree(true);
      cameraX = World->FCameraX;
      cameraY = World->FCameraY;
    }
    int i = frame - 1;
    const TSweep* s = Sweeps;
    for (; i >= 2 * s->Range; ++s) i -= 2 * s->Range;
    const bool back = i >= s->Range;
    const int swept = (back ? 2 * s->Range - 1 - i : i) - s->Range / 2, wobble = back ? i % 7 - 3 : 0;
    World->FCameraX = cameraX + s->CellX;
    World->FCameraY = cameraY + s->CellY;
    World->FScrollX = s->Down ? wobble : swept;
    World->FScrollY = s->Down ? swept : wobble;
  };
  const fs::path script = GoldenDir() / "start.txt";
  const TRun all = RunScene(script, false, false, frames, false, move);
  const TRun changed = RunScene(script, true, false, frames, false, move);
  ASSERT_EQ(changed.Trace.size(), all.Trace.size());
  for (size_t i = 0; i < all.Trace.size(); ++i) {
    ASSERT_EQ(changed.Trace[i], all.Trace[i]) << "first difference at frame " << i + 1;
  }
}
