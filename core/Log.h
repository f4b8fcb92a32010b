// Warnings to the user: one line "corvina: <message>" on standard error each. Every layer
// writes its warnings through here, so a test can collect them instead.
#pragma once

#include <string>
#include <string_view>
#include <vector>

void LogWarning(std::string_view message);
// The same message is told once until ResetLog: for warnings a reload would repeat.
void LogWarningOnce(std::string_view message);
// Forgets which once-only warnings were told.
void ResetLog();

// While one lives, warnings are collected in it (the lines as they would be written, without
// the line end) instead of going to standard error. The newest capture takes them.
class TLogCapture {
 public:
  TLogCapture();
  ~TLogCapture();
  TLogCapture(const TLogCapture&) = delete;
  TLogCapture& operator=(const TLogCapture&) = delete;

  const std::vector<std::string>& Lines() const { return FLines; }
  // The lines that contain `part`.
  int Count(std::string_view part) const;

 private:
  friend void LogWarning(std::string_view message);
  std::vector<std::string> FLines;
  TLogCapture* FOuter;
};
