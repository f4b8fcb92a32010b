// Key latches: "down now" and "pressed since the last query".
#include <gtest/gtest.h>

#include "platform/InputLatch.h"

namespace {

class InputLatchTest : public ::testing::Test {
 protected:
  TInputLatch keys;
};

TEST_F(InputLatchTest, APressShowsDownAndPressedOnceThenOnlyDown) {
  keys.Press(37);
  EXPECT_EQ(keys.Query(37), 0x8001);
  EXPECT_EQ(keys.Query(37), 0x8000);
  keys.Release(37);
  EXPECT_EQ(keys.Query(37), 0);
}

TEST_F(InputLatchTest, ATapBetweenTwoQueriesIsSeenAsPressedButNotDown) {
  keys.Tap(13);
  EXPECT_EQ(keys.Query(13), 1);
  EXPECT_EQ(keys.Query(13), 0);
}

TEST_F(InputLatchTest, AQueryConsumesOnlyItsOwnKey) {
  keys.Press(1);
  keys.Press(2);
  keys.Query(1);
  EXPECT_EQ(keys.Query(2), 0x8001);
}

TEST_F(InputLatchTest, LosingTheFocusReleasesHeldKeysButKeepsPresses) {
  keys.Press(40);
  keys.ReleaseAll();
  EXPECT_FALSE(keys.IsDown(40));
  EXPECT_EQ(keys.Query(40), 1);
  keys.Press(40);
  keys.Clear();
  EXPECT_EQ(keys.Query(40), 0);
}

TEST_F(InputLatchTest, CodesOutsideTheTableAreIgnored) {
  keys.Press(-1);
  keys.Press(256);
  EXPECT_EQ(keys.Query(-1), 0);
  EXPECT_EQ(keys.Query(256), 0);
}

}  // namespace

TEST_F(InputLatchTest, TakingOverAnotherLatchsAnswerKeepsAPressUntilItIsQueriedHere) {
  keys.Absorb(37, 0x8001);  // went down
  keys.Absorb(37, 0x8000);  // still down, the press not yet read here
  EXPECT_TRUE(keys.Pressed(37));
  EXPECT_EQ(keys.Query(37), 0x8001);
  keys.Absorb(37, 0x0001);  // let go again after another press
  EXPECT_EQ(keys.Query(37), 1);
  keys.Press(40);
  keys.Forget(40);  // the press was someone else's
  EXPECT_EQ(keys.Query(40), 0x8000);
}
