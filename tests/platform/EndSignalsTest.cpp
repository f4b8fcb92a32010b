// SIGTERM, SIGINT and SIGHUP are noted and come as the window's Quit event, while the note lives.
#include <gtest/gtest.h>

#include <csignal>

#include "platform/EndSignals.h"
#include "platform/Platform.h"
#include "platform/headless/PlatformHeadless.h"

TEST(EndSignals, EachSignalComesAsQuitWhileNotedAndItsOldHandlerComesBack) {
  HeadlessReset();
  for (int signal : {SIGTERM, SIGINT, SIGHUP}) {
    {
      TEndSignals noted;
      TPlatformEvent event;
      EXPECT_FALSE(PlatformPollEvent(event));
      raise(signal);
      EXPECT_TRUE(EndSignalled());
      ASSERT_TRUE(PlatformPollEvent(event));
      EXPECT_EQ(event.Kind, TPlatformEventKind::Quit);
    }
    EXPECT_FALSE(EndSignalled());
    struct sigaction now {};
    sigaction(signal, nullptr, &now);
    EXPECT_EQ(now.sa_handler, SIG_DFL) << signal;
  }
}

TEST(EndSignals, AProgramOnItsWayOutIgnoresThemAndKeepsItsStatus) {
  for (int signal : {SIGTERM, SIGINT, SIGHUP}) {
    { TEndSignals noted(TAfterEnd::Ignore); }
    raise(signal);  // would end the test program
    struct sigaction now {};
    sigaction(signal, nullptr, &now);
    EXPECT_EQ(now.sa_handler, SIG_IGN) << signal;
    std::signal(signal, SIG_DFL);
  }
}
