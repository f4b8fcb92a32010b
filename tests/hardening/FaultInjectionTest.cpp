// Faults injected into a running headless game through the surfaces' hooks: surfaces lost every
// n-th call (n chosen so each frame still sees several losses, yet every loss costs a reload of
// both sheets, which the sanitizer build pays dearly for), busy for k retries, locks failing for good. Every frame must
// still complete and be shown, the sheets must come back whole, and once the faults stop the frames must be the very
// frames of an undisturbed run of the same script.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "gfx/Display.h"
#include "headless/HeadlessSession.h"
#include "platform/headless/PlatformHeadless.h"
#include "record/Script.h"
#include "tests/support/GameFixture.h"
#include "util/Crc32.h"

namespace {

// Walks, jumps, sweeps a selection, orders a walk, scrolls at the left edge, edits the map:
// every drawing path of a frame runs.
constexpr const char* Script = R"(
1 down VK_RIGHT
12 up VK_RIGHT
14 tap VK_CONTROL
18 mouse 355 215
19 down VK_LBUTTON
20 mouse 305 185
21 up VK_LBUTTON
22 mouse 450 194
23 tap VK_RBUTTON
30 mouse 330 250
31 tap 3
32 tap VK_ADD
36 mouse -5 240
44 mouse 320 240
46 down VK_NUMPAD8
56 up VK_NUMPAD8
)";

constexpr int Frames = 80;
constexpr int FaultsFrom = 5;    // first frame run with faults switched on
constexpr int FaultsUntil = 60;  // last frame run with faults switched on

using TFaults = std::function<void(TDisplay&)>;

struct TRunRecord {
  std::vector<uint32_t> Crcs;      // per frame, of the presented picture
  std::vector<int> Shown;          // per frame, pictures presented so far
  std::vector<uint16_t> Sheet[3];  // the sheets' pixels after the last frame
};

uint32_t FrameCrc() {
  const THeadlessFrame& f = HeadlessLastFrame();
  return Crc32(reinterpret_cast<const uint8_t*>(f.Pixels.data()), f.Pixels.size() * 2);
}

// Every hook back to off.
void ClearFaults(TDisplay& d) {
  for (TDDSurface* s : {d.FPrimary.get(), d.FBackBuffer.get(), d.FSheets[1].get(), d.FSheets[2].get()}) {
    s->LoseEvery(0);
    s->InjectBusy(0);
    s->InjectLockFailure(0);
  }
}

class FaultInjection : public GameTest {
 protected:
  // Plays the script; `switchOn` sets the hooks when the faults begin, `everyFrame` before each
  // frame while they last. The hooks are cleared after frame FaultsUntil.
  TRunRecord Play(const TFaults& switchOn, const TFaults& everyFrame = nullptr) {
    const TScriptParseResult parsed = ParseScript(Script);
    EXPECT_EQ(parsed.Error, "");
    TRunRecord record;
    THeadlessSession session{THeadlessConfig{}};
    size_t next = 0;
    for (int frame = 1; frame <= Frames; ++frame) {
      for (; next < parsed.Events.size() && parsed.Events[next].Frame <= frame; ++next) {
        ApplyScriptEvent(parsed.Events[next], HeadlessInput());
      }
      if (frame == FaultsFrom && switchOn) switchOn(*Display);
      if (frame >= FaultsFrom && frame <= FaultsUntil && everyFrame) everyFrame(*Display);
      if (frame == FaultsUntil + 1) ClearFaults(*Display);
      session.RunFrame();
      record.Crcs.push_back(FrameCrc());
      record.Shown.push_back(HeadlessPresentCount());
      session.EndFrame();
    }
    for (int i = 1; i <= 2; ++i) {
      const TDDSurface& sheet = *Display->FSheets[i];
      record.Sheet[i].assign(sheet.Pixels(), sheet.Pixels() + sheet.Pitch() / 2 * sheet.Height());
    }
    return record;
  }

  void SetUp() override {
    GameTest::SetUp();
    Undisturbed = Play(nullptr);
    ResetProgramState();
  }

  // Each frame presented once; the frames after the faults equal the undisturbed ones; the
  // sheets hold their pictures again.
  void ExpectRecovered(const TRunRecord& faulted) {
    ASSERT_EQ(faulted.Shown.size(), static_cast<size_t>(Frames));
    for (int i = 0; i < Frames; ++i) EXPECT_EQ(faulted.Shown[i], i + 1) << "frame " << i + 1 << " was not shown";
    for (int i = FaultsUntil; i < Frames; ++i) {
      EXPECT_EQ(faulted.Crcs[i], Undisturbed.Crcs[i]) << "frame " << i + 1 << " differs after the faults stopped";
    }
    for (int i = 1; i <= 2; ++i) EXPECT_TRUE(faulted.Sheet[i] == Undisturbed.Sheet[i]) << "sheet " << i;
  }

  TRunRecord Undisturbed;
};

TEST_F(FaultInjection, TheUndisturbedRunShowsEveryFrameAndTheScriptChangesThePicture) {
  for (int i = 0; i < Frames; ++i) EXPECT_EQ(Undisturbed.Shown[i], i + 1);
  std::vector<uint32_t> distinct = Undisturbed.Crcs;
  std::sort(distinct.begin(), distinct.end());
  EXPECT_GT(std::unique(distinct.begin(), distinct.end()) - distinct.begin(), Frames / 2);
}

TEST_F(FaultInjection, SheetsLostEveryFewCallsAreReloadedBeforeTheCallIsRepeated) {
  const TRunRecord faulted = Play([](TDisplay& d) {
    d.FSheets[1]->LoseEvery(97);
    d.FSheets[2]->LoseEvery(61);
  });
  ExpectRecovered(faulted);
  // Restored and reloaded inside the failing call: not even the frames drawn meanwhile differ.
  EXPECT_EQ(faulted.Crcs, Undisturbed.Crcs);
}

TEST_F(FaultInjection, LosingThePrimaryAndTheBackBufferEveryFewCallsStillShowsEveryFrame) {
  ExpectRecovered(Play([](TDisplay& d) {
    d.FPrimary->LoseEvery(2);
    d.FBackBuffer->LoseEvery(113);
  }));
}

TEST_F(FaultInjection, EverySurfaceLostAtItsOwnRhythmRecovers) {
  ExpectRecovered(Play([](TDisplay& d) {
    d.FPrimary->LoseEvery(5);
    d.FBackBuffer->LoseEvery(173);
    d.FSheets[1]->LoseEvery(89);
    d.FSheets[2]->LoseEvery(131);
  }));
}

TEST_F(FaultInjection, SurfacesBusyForSomeRetriesEveryFrameDrawTheSameFrames) {
  for (int k : {1, 3, 40}) {
    SCOPED_TRACE("busy for " + std::to_string(k));
    ResetProgramState();
    const TRunRecord faulted = Play(nullptr, [k](TDisplay& d) {
      for (TDDSurface* s : {d.FPrimary.get(), d.FBackBuffer.get(), d.FSheets[1].get(), d.FSheets[2].get()}) {
        s->InjectBusy(k);
      }
    });
    ExpectRecovered(faulted);
    // A busy surface only delays: the frames are the undisturbed ones throughout.
    EXPECT_EQ(faulted.Crcs, Undisturbed.Crcs);
  }
}

TEST_F(FaultInjection, SheetsBothBusyAndLostComeBackWhole) {
  ExpectRecovered(Play(
      [](TDisplay& d) {
        d.FSheets[1]->LoseEvery(71);
        d.FSheets[2]->LoseEvery(83);
      },
      [](TDisplay& d) {
        d.FSheets[1]->InjectBusy(2);
        d.FSheets[2]->InjectBusy(3);
      }));
}

TEST_F(FaultInjection, ABackBufferWhoseLockFailsForGoodLosesOnlyThePixelWork) {
  ExpectRecovered(Play([](TDisplay& d) { d.FBackBuffer->InjectLockFailure(DDERR_GENERIC); }));
}

}  // namespace
