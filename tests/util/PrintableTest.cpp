// Echoed input reaches the terminal as text: no control byte, no NUL, no flood.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>

#include "util/Printable.h"
#include "util/ScratchPath.h"
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

TEST(ShellQuoted, APastedWordGivesBashAndDashBackEveryByteAndShowsNoControlByte) {
  using namespace std::string_literals;
  EXPECT_EQ(ShellQuoted("/home/me/my map.dat"), "'/home/me/my map.dat'");
  EXPECT_EQ(ShellQuoted("it's"), "'it'\\''s'");
  EXPECT_EQ(ShellQuoted("a\x1b]0;b"), "'a'\"$(printf '\\033')\"']0;b'");
  const TScratchPath script("corvina-shell-quoted");
  // A path holds no NUL, nor can a shell's word. A line break that ends the word is the one
  // control byte left as it is: no form without it survives $(…), and it draws nothing.
  for (const std::string& text :
       {"plain/map.dat"s, "it's here/지도.dat"s, "'"s, ""s, "$HOME `id` *; \\n \"x\" %d %%"s,
        "\x1b]0;owned\x07 a\n\t\r\x7f"s, "\xff\xc2\x9b\xe2\x82 end"s, "a\n\n지도\n'"s, "map\n\n"s}) {
    const std::string quoted = ShellQuoted(text);
    const size_t breaks = text.size() - (text.find_last_not_of('\n') + 1);
    const std::string tail = std::string(breaks, '\n') + (breaks > 0 ? "'" : "");  // inside the last quote
    ASSERT_TRUE(quoted.ends_with(tail)) << quoted;
    const std::string shown = quoted.substr(0, quoted.size() - tail.size());
    std::string expected;  // what Printable leaves alone: text but for the backslash
    for (char c : shown) expected += c == '\\' ? "\\\\" : std::string(1, c);
    EXPECT_EQ(Printable(shown, shown.size()), expected) << quoted;
    std::ofstream(script.Path, std::ios::binary | std::ios::trunc) << "printf %s " << quoted << "\n";
    for (const char* shell : {"bash", "dash"}) {
      FILE* run = popen((std::string(shell) + " " + script.Path.string()).c_str(), "r");
      ASSERT_NE(run, nullptr);
      std::string back;
      for (int c; (c = std::fgetc(run)) != EOF;) back += static_cast<char>(c);
      EXPECT_EQ(pclose(run), 0) << shell << ": " << quoted;
      EXPECT_EQ(back, text) << shell << ": " << quoted;
    }
  }
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
