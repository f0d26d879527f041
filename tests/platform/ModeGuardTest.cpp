// The demo's side of lightning-guardian against a stand-in for it
// (fake_guardian.sh), one answer per fresh process: the demo tells the user
// once per process that it runs unguarded.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>

#include "platform/ModeGuard.h"
#include "tests/support/DeathTestStyle.h"

namespace {

// Whether a child of this process is still there, running or a zombie.
bool ChildLeft() { return waitpid(-1, nullptr, WNOHANG) != -1; }

}  // namespace

TEST(ModeGuardian, OnlyAGuardianThatAnswersIsKeptAndEveryOtherFailureIsSaid) {
  GTEST_FLAG_SET(death_test_style, kOwnProcessDeathTests);
  struct {
    const char *behaviour;
    bool kept;
    const char *said;  // the whole of standard error
  } const rows[] = {
      {"guards", true, "^$"},
      {"steps-aside", false, "^$"},
      {"ends", false, "^lightning: lightning-guardian ended without answering; should the program crash"},
      {"silent", false, "^lightning: lightning-guardian did not answer in time; should the program crash"},
  };
  for (const auto &row : rows) {
    SCOPED_TRACE(row.behaviour);
    EXPECT_EXIT(
        {
          setenv("FAKE_GUARDIAN", row.behaviour, 1);
          StartModeGuardian();
          const bool kept = ChildLeft();
          DismissModeGuardian();
          std::exit(kept == row.kept && !ChildLeft() ? 0 : 3);
        },
        ::testing::ExitedWithCode(0), row.said);
  }
}
