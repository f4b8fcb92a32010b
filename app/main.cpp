// The program entry: command line, then the main window's whole life.
#include <cstdlib>
#include <iostream>
#include <string>
#include <vector>

#include "app/CommandLine.h"
#include "app/MainUtDX.h"
#include "app/Session.h"
#include "app/UserSettings.h"
#include "core/Settings.h"
#include "platform/EndSignals.h"

#ifndef CORVINA_VERSION
#define CORVINA_VERSION "unknown"
#endif

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + (argc > 0 ? 1 : 0), argv + argc);
  TCommandLine line = ParseCommandLine(args, ShippedSettings());
  if (auto status = CommandLineExitStatus(line, "corvina", CORVINA_VERSION, std::cout, std::cerr)) {
    return *status;
  }
  // The remembered choices, and the command line's switches over them for this run.
  TUserSettings user(TUserSettings::DefaultPath(), ShippedChoices(ShippedSettings()));
  if (line.ResetSettings) {
    user.Reset();
  } else {
    user.Load();
  }
  const TUserChoices& chosen = user.Choices();
  TSettings remembered = ShippedSettings();
  remembered.FullScreen = chosen.FullScreen;
  remembered.ShowOverlay = chosen.ShowOverlay;
  remembered.SoundOn = chosen.SoundOn;
  line = ParseCommandLine(args, remembered);
  Settings = line.Switches;
  // The platform reads the same variable tests set, so one switch serves both.
  if (line.NoDialog) setenv("CORVINA_NO_DIALOG", "1", 1);
  // From here on SIGTERM, SIGINT and SIGHUP end the program the ordinary way, edits saved; once
  // main returns they are ignored, so that more of them on the way out cannot undo its status.
  TEndSignals endSignals(TAfterEnd::Ignore);
  TBasic basic;
  if (auto status = PrepareSession(line, basic, std::cerr)) return *status;
  basic.FScale = line.Scale;
  basic.FIntegerScale = line.IntegerScale || chosen.IntegerScale;
  if (!line.ScaleGiven) basic.FWindowSize = {chosen.WindowWidth, chosen.WindowHeight};
  basic.FUserSettings = &user;
  basic.FFramesPerSecond = line.FramesPerSecond;
  basic.FVerbose = line.Verbose;
  using TPresenter = TPlatformDisplayConfig::TPresenter;
  basic.FPresenter = line.Renderer == "gpu"       ? TPresenter::Gpu
                     : line.Renderer == "surface" ? TPresenter::Surface
                                                  : TPresenter::Auto;
  Basic = &basic;
  int status = basic.Run();
  Basic = nullptr;
  return status;
}
