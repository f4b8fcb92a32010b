// Fuzzes the headless runner's script parser: any text either parses into events that apply
// cleanly or is refused with a line number.
#include <cstdint>
#include <string_view>

#include "platform/headless/PlatformHeadless.h"
#include "record/Script.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const TScriptParseResult r = ParseScript(std::string_view(reinterpret_cast<const char*>(data), size));
  if (!r.Error.empty() && (!r.Events.empty() || r.Error.rfind("line ", 0) != 0)) __builtin_trap();
  HeadlessReset();
  for (const TScriptEvent& e : r.Events) ApplyScriptEvent(e, HeadlessInput());
  return 0;
}
