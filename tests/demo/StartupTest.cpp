// The main block from start to exit on the scripted window layer, its GL
// calls recorded into the same log as the window calls.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/demo/DemoState.h"
#include "tests/support/FakeWin32.h"
#include "tests/support/GLRecorder.h"

const char *const GLLibraryName = FAKE_GL;
const char *const GLULibraryName = FAKE_GLU;

namespace {

class Startup : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetDemoState();
    gl.onCall = [](const GLCall &call) {
      fake::log.push_back("gl " + call.name + " " + std::to_string(call.args.empty() ? 0 : long(call.args[0])));
      // Escape held after the first frame ends the loop with the next.
      if (call.name == "glFinish") KeyState[VK_ESCAPE] = true;
    };
  }
  GLRecorder gl;
};

}  // namespace

TEST_F(Startup, FontTextureKeysAndProjectionComeBeforeTheLoopAndTheFontGoesBeforeTheWindow) {
  KeyState[VK_LEFT] = true;  // held before start-up: cleared, so it never acts
  EXPECT_EQ(LightningMain(), 0);
  const std::vector<std::string> order = {
      "wglSwapIntervalEXT 0",  "gl glGenLists 256",  "gl glGenTextures 1",
      "gl glMatrixMode 5889",  "gl glLoadIdentity 0", "gl glMatrixMode 5888",
      "PeekMessageA",          "gl glDeleteLists 1", "ChangeDisplaySettingsA restore",
      "CloseDisplay"};
  auto at = fake::log.begin();
  for (const std::string &step : order) {
    at = std::find(at, fake::log.end(), step);
    ASSERT_NE(at, fake::log.end()) << step << " missing or out of order";
  }
  ASSERT_GE(gl.Named("glRotatef").size(), 2u);
  EXPECT_EQ(gl.Named("glRotatef")[1].args[0], -45.0);
}

TEST_F(Startup, AWindowThatCannotBeMadeEndsTheProgramWithStatusOne) {
  fake::script.createContextFails = true;
  EXPECT_EQ(LightningMain(), 1);
  EXPECT_EQ(fake::boxes.size(), 1u);
  EXPECT_TRUE(gl.calls.empty());
}
