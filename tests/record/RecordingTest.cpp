// A recording's header and end: written and read back, and refused when a replay could not
// honour them.
#include <gtest/gtest.h>

#include "record/Recording.h"
#include "util/Crc32.h"

namespace {

std::vector<uint8_t> SomeMap() {
  std::vector<uint8_t> bytes(50000);
  for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<uint8_t>(i * 7 + i / 251);
  return bytes;
}

}  // namespace

TEST(Recording, TheHeaderAndTheEndReadBackAsWritten) {
  TRecordedSwitches switches{true, true, false, false, false, "/home/a user/maps/my #1.dat"};
  const std::vector<uint8_t> map = SomeMap();
  const uint32_t crc = Crc32(map.data(), map.size());
  const TFinalState end{1800, 0x5e6f7a8b, {{{50, 51}, 3}, {{60, 50}, 1}, {{-1, 0}, 0}, {{99, 99}, 2}}};
  const std::string text = RecordingHeader(switches, 4294967295u, crc, map) + "1 clock 5\n" + EndLine(end) + "\n";
  EXPECT_EQ(text.substr(0, text.find("# start")),
            "# corvina recording\n"
            "# switches: --high-res --auto-timing --no-overlay --no-map-editing --use-files --map "
            "/home/a user/maps/my #1.dat\n");
  const TRecording r = ReadRecording(text);
  ASSERT_EQ(r.Error, "");
  EXPECT_TRUE(r.IsRecording);
  EXPECT_EQ(r.Switches, switches);
  EXPECT_EQ(r.StartClock, 4294967295u);
  EXPECT_EQ(r.StartMap, crc);
  EXPECT_EQ(r.MapData, map);
  ASSERT_TRUE(r.End);
  EXPECT_EQ(*r.End, end);
  // The maker is said, and a recording from before it was is read the same without it.
  EXPECT_EQ(r.MadeBy, RecordingMaker());
  EXPECT_TRUE(RecordingMaker().starts_with("corvina ") && RecordingMaker().ends_with(" linux")) << RecordingMaker();
  std::string older = text;
  older.erase(older.find("# made-by"), older.find('\n', older.find("# made-by")) - older.find("# made-by") + 1);
  const TRecording old = ReadRecording(older);
  EXPECT_EQ(old.Error, "");
  EXPECT_EQ(old.MadeBy, "");
  EXPECT_EQ(old.MapData, map);
  EXPECT_EQ(old.End, r.End);

  const TRecording plain = ReadRecording(RecordingHeader(TRecordedSwitches{}, 0, 7) + "1 clock 0\n");
  EXPECT_EQ(plain.Error, "");
  EXPECT_EQ(plain.Switches, TRecordedSwitches{});
  EXPECT_TRUE(plain.MapData.empty());
  EXPECT_FALSE(plain.End) << "a recording cut short has no end";
  EXPECT_FALSE(ReadRecording("1 down VK_LEFT\n").IsRecording);
}

TEST(Recording, WhatAReplayCannotHonourIsRefusedNamingTheLine) {
  const std::string start = "# corvina recording\n# start clock=1 map=00000007\n";
  std::string damaged = RecordingHeader(TRecordedSwitches{}, 1, 7, SomeMap());
  damaged[damaged.find("# map-data ") + 20] ^= 1;
  const std::pair<std::string, std::string> cases[] = {
      {"# corvina recording\n# switches: --fullscreen\n",
       "line 2: the recording asks for '--fullscreen', which this program cannot honour"},
      {start + "# switches: --map\n", "line 3: --map without a file"},
      {start + "# end frame=3 map=1 p1=1,2,3\n", "line 3: the end line wants frame=N map=CRC p1=X,Y,D .. p4=X,Y,D"},
      {start + "# end frame=3 frame=3 map=1 p1=1,2,3 p2=1,2,3 p3=1,2,3\n",
       "line 3: the end line wants frame=N map=CRC p1=X,Y,D .. p4=X,Y,D"},
      {start + "# end frame=100000001 map=1 p1=1,2,3 p2=1,2,3 p3=1,2,3 p4=1,2,3\n",
       "line 3: the end line wants frame=N map=CRC p1=X,Y,D .. p4=X,Y,D"},
      {"# corvina recording\n# start clock=x map=7\n", "line 2: the start line wants clock=MS map=CRC"},
      {"# corvina recording\n1 clock 5\n", "the recording has no start line"},
      {damaged, "the map kept in the recording is damaged"},
  };
  for (const auto& [text, error] : cases) EXPECT_EQ(ReadRecording(text).Error, error) << text;
}
