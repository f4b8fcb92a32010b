// The per-frame JSON line of the headless runner. Field names are a stable interface.
#include "headless/Trace.h"

#include <cstdio>

#include "core/Settings.h"
#include "game/World.h"
#include "gfx/Cp949.h"
#include "gfx/Overlay.h"
#include "util/Crc32.h"

namespace {

// A line is built by appending its parts to one string: chains of operator+ on temporaries make
// g++ 12 at -O3 warn (-Wrestrict) about copies that cannot overlap.
void AppendOne(std::string& out, const char* text) { out += text; }
void AppendOne(std::string& out, const std::string& text) { out += text; }
void AppendOne(std::string& out, bool value) { out += value ? "true" : "false"; }
void AppendOne(std::string& out, int value) { out += std::to_string(value); }
void AppendOne(std::string& out, uint32_t value) { out += std::to_string(value); }

template <typename... Parts>
void Append(std::string& out, const Parts&... parts) {
  (AppendOne(out, parts), ...);
}

std::string Pair(int a, int b) {
  std::string out;
  Append(out, "[", a, ",", b, "]");
  return out;
}

std::string Hex8(uint32_t v) {
  char text[9];
  std::snprintf(text, sizeof text, "%08x", v);
  return text;
}

// Appends ",item" or, for the first item, "item" to a JSON list being built in `list`.
void AppendItem(std::string& list, bool& first, const std::string& item) {
  if (!first) list += ',';
  first = false;
  list += item;
}

std::string PersonJson(int id, const TPerson& p) {
  std::string speech = "[";
  bool first = true;
  for (const TSpeechLine& line : p.FSpeech) {
    if (line.Text.empty()) break;
    AppendItem(speech, first, JsonString(Cp949ToUtf8(line.Text)));
  }
  speech += "]";
  std::string out;
  Append(out, "{\"id\":", id, ",\"cell\":", Pair(p.FCellX, p.FCellY), ",\"dir\":", int{p.FDirection},
         ",\"step\":", p.FStep, ",\"moving\":", p.FMoving, ",\"vector\":", Pair(p.FStepVector.X, p.FStepVector.Y),
         ",\"count\":", p.FStepCount, ",\"lift\":", p.FLift, ",\"free\":", p.FFreeMode,
         ",\"path\":", JsonString(p.FPath), ",\"speech\":", speech, "}");
  return out;
}

// The rate with the overlay's two decimals, or null when the frame showed no overlay.
std::string FpsShown() {
  if (!OverlayShown()) return "null";
  char text[32];
  std::snprintf(text, sizeof text, "%.2f", FramesPerSecond);
  return text;
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

std::string TraceLine(int frame, uint32_t tick, std::optional<uint32_t> frameCrc,
                      const std::vector<TTraceSound>* sounds) {
  const TSystem& w = *World;
  std::string selected = "[";
  bool first = true;
  for (int i = 1; i <= PersonCount; ++i) {
    if (w.FSelected & (1u << i)) AppendItem(selected, first, std::to_string(i));
  }
  selected += "]";
  std::string persons = "[";
  first = true;
  for (int i = 1; i <= PersonCount; ++i) {
    if (const TPerson* p = w.Person(i)) AppendItem(persons, first, PersonJson(i, *p));
  }
  persons += "]";
  const auto* mapBytes = reinterpret_cast<const uint8_t*>(w.FMap->FCells);
  std::string line;
  Append(line, "{\"frame\":", frame, ",\"tick\":", tick, ",\"current\":", w.FCurrent, ",\"selected\":", selected,
         ",\"camera\":{\"free\":", w.FCameraFree, ",\"x\":", w.FCameraX, ",\"y\":", w.FCameraY, ",\"sx\":", w.FScrollX,
         ",\"sy\":", w.FScrollY, "},\"view\":", Pair(w.FViewX, w.FViewY), ",\"order\":{\"active\":", w.FOrderActive,
         ",\"cell\":", Pair(w.FOrderCell.X, w.FOrderCell.Y), ",\"occupant\":", int{w.FOrderOccupant},
         "},\"persons\":", persons, ",\"map\":\"", Hex8(Crc32(mapBytes, MapBytes)), "\"");
  if (frameCrc) Append(line, ",\"frame_crc\":\"", Hex8(*frameCrc), "\"");
  Append(line, ",\"walk_frame\":", WalkFrame, ",\"face_count\":", FaceCount, ",\"fps\":", FpsShown());
  if (sounds) {
    std::string list = "[";
    first = true;
    for (const TTraceSound& s : *sounds) {
      std::string item;
      Append(item, "{\"slot\":", s.Slot, ",\"pan\":", s.Pan, "}");
      AppendItem(list, first, item);
    }
    Append(line, ",\"sounds\":", list, "]");
  }
  line += "}";
  return line;
}
