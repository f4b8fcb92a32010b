// The local date and time in the names of files the programs make (screenshots, rescued maps):
// "YYYYMMDD-HHMMSS", so that a folder listed by name is listed by age.
#pragma once

#include <cstdint>
#include <ctime>
#include <string>

inline std::string LocalTimeStamp(int64_t secondsSinceEpoch) {
  const std::time_t t = static_cast<std::time_t>(secondsSinceEpoch);
  std::tm local{};
  localtime_r(&t, &local);
  char stamp[32];
  std::strftime(stamp, sizeof stamp, "%Y%m%d-%H%M%S", &local);
  return stamp;
}
