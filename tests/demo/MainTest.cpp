// The program's outcomes when it cannot start.
#include <gtest/gtest.h>

#include <algorithm>

#include "demo/Demo.h"
#include "tests/support/FakeWin32.h"

TEST(Main, NoDisplayEndsWithAClearMessageAndStatusOne) {
  fake::Reset();
  fake::script.noDisplay = true;
  testing::internal::CaptureStderr();
  EXPECT_EQ(LightningMain(), 1);
  const std::string said = testing::internal::GetCapturedStderr();
  EXPECT_NE(said.find("no display"), std::string::npos) << said;
  EXPECT_NE(said.find("no display in this test"), std::string::npos) << said;
  EXPECT_EQ(fake::log, (std::vector<std::string>{"OpenDisplay"}));
}

TEST(Main, UnloadableGLLibraryIsNamedInAnErrorBox) {
  fake::Reset();
  EXPECT_EQ(LightningMain(), 1);
  ASSERT_EQ(fake::boxes.size(), 1u);
  EXPECT_NE(fake::boxes[0].first.find("Cannot load the OpenGL library /nonexistent/libGL.so.1"),
            std::string::npos)
      << fake::boxes[0].first;
  EXPECT_EQ(fake::boxes[0].second, "Error");
  // No window was made.
  EXPECT_EQ(std::count(fake::log.begin(), fake::log.end(), "RegisterClassA OpenGL"), 0);
}
