// The warning line, the once-only set and the test capture.
#include "core/Log.h"

#include <iostream>
#include <set>

namespace {

TLogCapture* Capture = nullptr;

std::set<std::string, std::less<>>& Told() {
  static std::set<std::string, std::less<>> told;
  return told;
}

}  // namespace

void LogWarning(std::string_view message) {
  std::string line = "corvina: ";
  line += message;
  if (Capture != nullptr) {
    Capture->FLines.push_back(std::move(line));
    return;
  }
  std::cerr << line << '\n';
}

void LogWarningOnce(std::string_view message) {
  if (Told().emplace(message).second) LogWarning(message);
}

void ResetLog() { Told().clear(); }

TLogCapture::TLogCapture() : FOuter(Capture) { Capture = this; }

TLogCapture::~TLogCapture() { Capture = FOuter; }

int TLogCapture::Count(std::string_view part) const {
  int n = 0;
  for (const std::string& line : FLines) n += line.find(part) != std::string::npos;
  return n;
}
