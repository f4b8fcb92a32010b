// Fuzzes the reader of a recording's header and end lines: any text is either no recording, a
// recording refused with a reason, or one whose header and end, written out again, read back
// the same. The whole text is also read as a replay takes it: a recording it accepts runs no
// more frames than the text has lines.
#include <algorithm>
#include <cstdint>
#include <string>
#include <string_view>

#include "record/Recording.h"
#include "record/Script.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const TRecording r = ReadRecording(text);
  std::string error;
  if (const auto script = ReadScriptFile(text, &error)) {
    const TRecording& read = script->Recording;
    const int frames = RecordingLength(read, script->Events.empty() ? 0 : script->Events.back().Frame);
    if (read.IsRecording && read.Error.empty() && frames > std::count(text.begin(), text.end(), '\n') + 1) {
      __builtin_trap();
    }
  } else if (r.IsRecording || !error.starts_with("line ")) {
    __builtin_trap();
  }
  if (!r.IsRecording) {
    if (!r.Error.empty() || r.End || !r.MapData.empty()) __builtin_trap();
    return 0;
  }
  if (!r.Error.empty()) {
    if (!r.Error.starts_with("line ") && !r.Error.starts_with("the ")) __builtin_trap();
    return 0;
  }
  std::string again = RecordingHeader(r.Switches, r.StartClock, r.StartMap, r.MapData);
  if (r.End) again += EndLine(*r.End) + "\n";
  const TRecording back = ReadRecording(again);
  if (!back.Error.empty() || back.Switches != r.Switches || back.StartClock != r.StartClock ||
      back.StartMap != r.StartMap || back.MapData != r.MapData || back.End != r.End) {
    __builtin_trap();
  }
  return 0;
}
