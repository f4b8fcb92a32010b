// The headless run as a library call, shared by corvina-headless and the tests.
#pragma once

#include <functional>
#include <string>

#include "headless/HeadlessOptions.h"

// Runs the game for o.Frames frames (fewer when it closes itself) and hands each trace line
// (when o.Trace) to traceLine. Returns the exit status; throws std::runtime_error on failure.
int RunHeadless(const HeadlessOptions& o, const std::function<void(const std::string&)>& traceLine);
