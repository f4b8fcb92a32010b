// The headless run as a library call, shared by corvina-headless and the tests.
#pragma once

#include <functional>
#include <stdexcept>
#include <string>

#include "headless/HeadlessOptions.h"

// A run that cannot be made as asked: a recording whose switches or map cannot be honoured here,
// a --verify of what is no finished recording. Exit status 2.
class THeadlessRefusal : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Runs the game for o.Frames frames (fewer when it closes itself; a recording's own length unless
// --frames was given) and hands each trace line (when o.Trace) to traceLine. Returns the exit
// status, with --verify 0 or 1 and the verdict in *verdict. Throws THeadlessRefusal, or
// std::runtime_error on failure.
int RunHeadless(const HeadlessOptions& o, const std::function<void(const std::string&)>& traceLine,
                std::string* verdict = nullptr);
