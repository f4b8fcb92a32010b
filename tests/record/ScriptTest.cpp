// The script language: what parses, what is refused and how it says so, and the lines a
// recording writes reading back as the events they were written from.
#include <gtest/gtest.h>

#include "platform/VirtualKeys.h"
#include "record/Script.h"

TEST(ScriptParsing, ReadsEveryCommandWithNamesNumbersAndComments) {
  const auto r = ParseScript(
      "# a walk\n"
      "1 down VK_LEFT\n"
      "  3   up   37   # same key by number\n"
      "4 tap 5\n"
      "5 mouse -20 700\n"
      "6 focus 0\r\n"
      "\n");
  ASSERT_EQ(r.Error, "");
  ASSERT_EQ(r.Events.size(), 5u);
  EXPECT_EQ(r.Events[0].Command, ScriptCommand::Down);
  EXPECT_EQ(r.Events[0].Key, VK_LEFT);
  EXPECT_EQ(r.Events[1].Frame, 3);
  EXPECT_EQ(r.Events[1].Key, VK_LEFT);
  EXPECT_EQ(r.Events[2].Key, '5');
  EXPECT_EQ(r.Events[3].Point, (TPoint{-20, 700}));
  EXPECT_EQ(r.Events[4].Command, ScriptCommand::Focus);
  EXPECT_FALSE(r.Events[4].Focused);
}

TEST(ScriptParsing, KnowsTheGameKeysByName) {
  EXPECT_EQ(ParseKeyName("VK_NUMPAD7"), VK_NUMPAD7);
  EXPECT_EQ(ParseKeyName("VK_ADD"), VK_ADD);
  EXPECT_EQ(ParseKeyName("VK_F12"), VK_F12);
  EXPECT_EQ(ParseKeyName("VK_OEM_PLUS"), VK_OEM_PLUS);
  EXPECT_EQ(ParseKeyName("VK_OEM_MINUS"), VK_OEM_MINUS);
  EXPECT_EQ(ParseKeyName("VK_F9"), VK_F9);
  EXPECT_EQ(ParseKeyName("1"), '1');
  EXPECT_EQ(ParseKeyName("6"), '6');
  EXPECT_EQ(ParseKeyName("7"), 7);  // a bare number beyond the digit keys is a key code
  EXPECT_EQ(ParseKeyName("VK_SPACE"), VK_SPACE);
  EXPECT_EQ(ParseKeyName("VK_TAB"), -1);
  EXPECT_EQ(ParseKeyName("0"), -1);
  EXPECT_EQ(ParseKeyName("256"), -1);
}

TEST(ScriptParsing, RefusesABadLineNamingItsNumber) {
  using namespace std::string_view_literals;
  struct Case {
    std::string_view Text;
    const char* Error;
  } cases[] = {
      {"1 down VK_LEFT\n2 jump\n", "line 2: unknown command 'jump'"},
      {"0 down VK_LEFT\n", "line 1: frame must be a number from 1 on"},
      {"x down VK_LEFT\n", "line 1: frame must be a number from 1 on"},
      {"1 down\n", "line 1: down takes one key"},
      {"1 tap VK_NOPE\n", "line 1: unknown key 'VK_NOPE'"},
      {"1 mouse 10\n", "line 1: mouse takes X Y"},
      {"1 mouse 10 y\n", "line 1: mouse X Y must be numbers"},
      {"1 mouse 99999999999 0\n", "line 1: mouse X Y must be numbers"},
      {"1 focus 2\n", "line 1: focus takes 0 or 1"},
      {"1 overlay on\n", "line 1: overlay takes 0 or 1"},
      {"1 clock -1\n", "line 1: clock takes milliseconds from 0 to 4294967295"},
      {"1 clock 4294967296\n", "line 1: clock takes milliseconds from 0 to 4294967295"},
      {"1 recount now\n", "line 1: recount takes nothing"},
      {"1 forget\n", "line 1: forget takes one key"},
      {"# only\n\n1\n", "line 3: expected FRAME COMMAND ARGS"},
      // What the line holds is echoed as text: a terminal's escape sequence or a NUL shows escaped.
      {"1 \x1b]0;owned\x07 x\n", "line 1: unknown command '\\x1b]0;owned\\x07'"},
      {"1 tap VK_\0LEFT\n"sv, "line 1: unknown key 'VK_\\0LEFT'"},
  };
  for (const Case& c : cases) {
    const auto r = ParseScript(c.Text);
    EXPECT_EQ(r.Error, c.Error) << c.Text;
    EXPECT_TRUE(r.Events.empty());
  }
}

TEST(ScriptParsing, EveryLineARecordingWritesReadsBackAsItsEvent) {
  for (int vk = 1; vk <= 255; ++vk) EXPECT_EQ(ParseKeyName(KeyName(vk)), vk) << KeyName(vk);
  const std::string text =
      "1 down VK_NUMPAD0\n2 up VK_CANCEL\n3 tap VK_F2\n4 mouse -7 900\n5 focus 0\n6 clock 4294967295\n"
      "7 forget 5\n8 recount\n9 overlay 0\n10 tap 80\n";
  const auto r = ParseScript(text);
  ASSERT_EQ(r.Error, "");
  std::string written;
  for (const TScriptEvent& e : r.Events) written += ScriptLine(e) + "\n";
  EXPECT_EQ(written, text);
  EXPECT_EQ(r.Events[1].Key, 3) << "a code that as a number would read as the digit key";
  EXPECT_EQ(r.Events[5].Clock, 4294967295u);
}
