// Echoed input reaches the terminal as text: no control byte, no NUL, no flood.
#include <gtest/gtest.h>

#include "util/Printable.h"
#include "util/WholeNumber.h"

TEST(Printable, EscapesEveryControlByteAndKeepsOtherText) {
  using namespace std::string_literals;
  EXPECT_EQ(Printable("\x1b]0;owned\x07"), "\\x1b]0;owned\\x07");
  EXPECT_EQ(Printable("a\0b"s), "a\\0b");
  EXPECT_EQ(Printable("tab\tnl\ncr\rdel\x7f"), "tab\\tnl\\ncr\\rdel\\x7f");
  EXPECT_EQ(Printable("C:\\x1b"), "C:\\\\x1b");  // a backslash typed is not an escape shown
  EXPECT_EQ(Printable("지도 Map.DAT"), "지도 Map.DAT");
  EXPECT_EQ(Printable("\xc2\x9b"
                      "2J"),
            "\\xc2\\x9b2J");  // C1 CSI in UTF-8
  EXPECT_EQ(Printable("\xff\xe0\x80\x80 \xed\xa0\x80 \xe2\x82"), "\\xff\\xe0\\x80\\x80 \\xed\\xa0\\x80 \\xe2\\x82");
}

TEST(Printable, CutsALongWordAtEightyCharactersNotBytes) {
  const std::string huge(8 << 20, 'w');
  EXPECT_EQ(Printable(huge), std::string(80, 'w') + "…");
  EXPECT_EQ(Printable(std::string(80, 'w')), std::string(80, 'w'));
  std::string korean;
  for (int i = 0; i < 100; ++i) korean += "가";
  std::string cut;
  for (int i = 0; i < 80; ++i) cut += "가";
  EXPECT_EQ(Printable(korean), cut + "…");
  EXPECT_EQ(Printable(std::string(100, '\x1b')), [] {
    std::string e;
    for (int i = 0; i < 80; ++i) e += "\\x1b";
    return e + "…";
  }());
}

TEST(WholeNumber, TakesOnlyWholeNumbersInRangeAndRefusalsNameRangeAndValue) {
  EXPECT_EQ(ParseWholeNumber("0", 0, 5), 0);
  EXPECT_EQ(ParseWholeNumber("4294967295", 0, 4294967295), 4294967295);
  EXPECT_EQ(ParseWholeNumber("-3", -5, 5), -3);
  for (const char* bad : {"6", "-1", "", "1.5", "2x", "+1", " 1", "99999999999999999999"}) {
    EXPECT_FALSE(ParseWholeNumber(bad, 0, 5)) << bad;
  }
  EXPECT_EQ(WholeNumberRefusal("--frames", 0, 100000000, "100000001"),
            "--frames needs a whole number from 0 to 100000000, not '100000001'");
  EXPECT_EQ(WholeNumberRefusal("--seed", 0, 9, "\x1b[2J"), "--seed needs a whole number from 0 to 9, not '\\x1b[2J'");
}
