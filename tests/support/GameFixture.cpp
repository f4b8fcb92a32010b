// Shared helpers of the game tests.
#include "tests/support/GameFixture.h"

#include <fstream>
#include <sstream>

#include "game/Random.h"
#include "platform/headless/PlatformHeadless.h"
#include "util/ScratchPath.h"

TTestMap::TTestMap() : FBytes(MapBytes, 0) {
  for (int y = 0; y < MapSize; ++y)
    for (int x = 0; x < MapSize; ++x) At(x, y, CellKind) = 3;
}
uint8_t& TTestMap::At(int x, int y, int byte) { return FBytes[y * 500 + x * 5 + byte]; }
TTestMap& TTestMap::Kind(int x, int y, int kind) {
  At(x, y, CellKind) = static_cast<uint8_t>(kind);
  return *this;
}
TTestMap& TTestMap::Height(int x, int y, int height) {
  At(x, y, CellHeight) = static_cast<uint8_t>(height);
  return *this;
}
TTestMap& TTestMap::Occupant(int x, int y, int occupant) {
  At(x, y, CellOccupant) = static_cast<uint8_t>(occupant);
  return *this;
}
TTestMap& TTestMap::Heights(int x0, int y0, int x1, int y1, int height) {
  for (int y = y0; y <= y1; ++y)
    for (int x = x0; x <= x1; ++x) Height(x, y, height);
  return *this;
}

std::string TempDir() {
  static const TScratchDirectory dir("corvina-game-tests");
  return dir.Path.string();
}

std::string WriteTempFile(const std::string& name, const std::vector<uint8_t>& bytes) {
  const std::string path = TempDir() + "/" + name;
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  return path;
}

void StartGameOn(const TTestMap& map) {
  MapFileOverride = WriteTempFile("map.dat", map.Bytes());
  GameStart();
}

TTestMap StandardMap() {
  TTestMap map;
  map.Occupant(50, 50, 1).Occupant(60, 50, 2).Occupant(50, 60, 3);
  return map;
}

void RunFrames(int count) {
  for (int i = 0; i < count; ++i) {
    GameFrame();
    HeadlessAdvanceClock();
  }
}

namespace {
// A RIFF WAVE file of 8-bit mono PCM at 11025 samples per second.
std::vector<uint8_t> footstepWave() {
  std::vector<uint8_t> data(64, 128);
  std::vector<uint8_t> wave;
  auto put32 = [&](uint32_t v) {
    for (int i = 0; i < 4; ++i) wave.push_back(static_cast<uint8_t>(v >> (8 * i)));
  };
  auto put16 = [&](uint16_t v) {
    wave.push_back(static_cast<uint8_t>(v));
    wave.push_back(static_cast<uint8_t>(v >> 8));
  };
  auto tag = [&](const char* t) {
    for (int i = 0; i < 4; ++i) wave.push_back(static_cast<uint8_t>(t[i]));
  };
  tag("RIFF");
  put32(static_cast<uint32_t>(36 + data.size()));
  tag("WAVE");
  tag("fmt ");
  put32(16);
  put16(1);
  put16(1);
  put32(11025);
  put32(11025);
  put16(1);
  put16(8);
  tag("data");
  put32(static_cast<uint32_t>(data.size()));
  for (uint8_t b : data) wave.push_back(b);
  return wave;
}
}  // namespace

FootstepRecorder::FootstepRecorder() {
  HeadlessSetAudioAvailable(true);
  FSound = std::make_unique<TDXSound>();
  FSound->LoadFromFile(WriteTempFile("walk.wav", footstepWave()));
  HostSound = FSound.get();
  HeadlessClearAudioLog();
}

FootstepRecorder::~FootstepRecorder() {
  if (HostSound == FSound.get()) HostSound = nullptr;
}

int FootstepRecorder::Plays() const {
  int plays = 0;
  for (const THeadlessAudioCall& call : HeadlessAudioLog())
    if (call.What == "play") ++plays;
  return plays;
}

std::pair<int, int> FootstepRecorder::LastPan() const {
  std::pair<int, int> gains{-1, -1};
  for (const THeadlessAudioCall& call : HeadlessAudioLog())
    if (call.What == "pan") gains = {call.Left, call.Right};
  return gains;
}

std::string WorldStateText() {
  std::ostringstream out;
  const TSystem& w = *World;
  out << w.FFrameCount << ' ' << w.FCurrent << ' ' << int(w.FSelected) << ' ' << w.FCameraFree << ' ' << w.FCameraX
      << ' ' << w.FCameraY << ' ' << w.FScrollX << ' ' << w.FScrollY << ' ' << w.FViewX << ' ' << w.FViewY << ' '
      << w.FOrderActive << ' ' << RandSeed << '\n';
  for (int i = 1; i <= PersonCount; ++i) {
    const TPerson& p = *w.Person(i);
    out << p.FCellX << ',' << p.FCellY << ' ' << int(p.FDirection) << ' ' << p.FStep << ' ' << p.FMoving << ' '
        << p.FStepCount << ' ' << p.FLift << ' ' << p.FPath << ' ' << p.FSpeech[0].Text.size() << '\n';
  }
  out.write(reinterpret_cast<const char*>(w.FMap->FCells), sizeof(w.FMap->FCells));
  return out.str();
}
