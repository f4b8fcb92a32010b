// The per-frame JSON line of the headless runner. Field names are a stable interface.
#include "headless/Trace.h"

#include <cstdio>

#include "game/World.h"
#include "gfx/Cp949.h"
#include "util/Crc32.h"

namespace {

const char* Bool(bool b) { return b ? "true" : "false"; }

std::string Pair(int a, int b) { return "[" + std::to_string(a) + "," + std::to_string(b) + "]"; }

std::string Hex8(uint32_t v) {
  char text[9];
  std::snprintf(text, sizeof text, "%08x", v);
  return text;
}

std::string PersonJson(int id, const TPerson& p) {
  std::string speech = "[";
  for (const TSpeechLine& line : p.FSpeech) {
    if (line.Text.empty()) break;
    if (speech.size() > 1) speech += ",";
    speech += JsonString(Cp949ToUtf8(line.Text));
  }
  speech += "]";
  return "{\"id\":" + std::to_string(id) + ",\"cell\":" + Pair(p.FCellX, p.FCellY) +
         ",\"dir\":" + std::to_string(p.FDirection) + ",\"step\":" + std::to_string(p.FStep) +
         ",\"moving\":" + Bool(p.FMoving) + ",\"vector\":" + Pair(p.FStepVector.X, p.FStepVector.Y) +
         ",\"count\":" + std::to_string(p.FStepCount) + ",\"lift\":" + std::to_string(p.FLift) +
         ",\"free\":" + Bool(p.FFreeMode) + ",\"path\":" + JsonString(p.FPath) +
         ",\"speech\":" + speech + "}";
}

}  // namespace

std::string JsonString(const std::string& utf8) {
  std::string out = "\"";
  for (unsigned char c : utf8) {
    switch (c) {
      case '"': out += "\\\""; break;
      case '\\': out += "\\\\"; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      case '\t': out += "\\t"; break;
      default:
        if (c < 0x20) {
          char esc[7];
          std::snprintf(esc, sizeof esc, "\\u%04x", c);
          out += esc;
        } else {
          out += static_cast<char>(c);
        }
    }
  }
  return out + "\"";
}

std::string TraceLine(int frame, uint32_t tick, std::optional<uint32_t> frameCrc) {
  const TSystem& w = *World;
  std::string selected = "[";
  for (int i = 1; i <= PersonCount; ++i) {
    if (w.FSelected & (1u << i)) selected += (selected.size() > 1 ? "," : "") + std::to_string(i);
  }
  selected += "]";
  std::string persons = "[";
  for (int i = 1; i <= PersonCount; ++i) {
    if (const TPerson* p = w.Person(i)) {
      if (persons.size() > 1) persons += ",";
      persons += PersonJson(i, *p);
    }
  }
  persons += "]";
  const auto* mapBytes = reinterpret_cast<const uint8_t*>(w.FMap->FCells);
  std::string line =
      "{\"frame\":" + std::to_string(frame) + ",\"tick\":" + std::to_string(tick) +
      ",\"current\":" + std::to_string(w.FCurrent) + ",\"selected\":" + selected +
      ",\"camera\":{\"free\":" + Bool(w.FCameraFree) + ",\"x\":" + std::to_string(w.FCameraX) +
      ",\"y\":" + std::to_string(w.FCameraY) + ",\"sx\":" + std::to_string(w.FScrollX) +
      ",\"sy\":" + std::to_string(w.FScrollY) + "},\"view\":" + Pair(w.FViewX, w.FViewY) +
      ",\"order\":{\"active\":" + Bool(w.FOrderActive) + ",\"cell\":" +
      Pair(w.FOrderCell.X, w.FOrderCell.Y) + ",\"occupant\":" + std::to_string(w.FOrderOccupant) +
      "},\"persons\":" + persons + ",\"map\":\"" + Hex8(Crc32(mapBytes, MapBytes)) + "\"";
  if (frameCrc) line += ",\"frame_crc\":\"" + Hex8(*frameCrc) + "\"";
  return line + "}";
}
