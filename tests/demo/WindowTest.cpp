// Window creation and teardown against the scripted Win32 layer.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "demo/Demo.h"
#include "demo/Window.h"
#include "tests/demo/DemoState.h"
#include "tests/support/FakeWin32.h"
#include "text/Cp1251.h"

const char *const GLLibraryName = "/nonexistent/libGL.so.1";
const char *const GLULibraryName = "/nonexistent/libGLU.so.1";

namespace {

using Boxes = std::vector<std::pair<std::string, std::string>>;

std::pair<std::string, std::string> Box(std::string_view text, std::string_view caption) {
  return {std::string(text), std::string(caption)};
}

constexpr auto Error = Cp1251("Error");
constexpr auto Russian = Cp1251("Ошибка");

class GLWindow : public ::testing::Test {
 protected:
  void SetUp() override { ResetDemoState(); }
};

}  // namespace

TEST_F(GLWindow, NormalRunAndExitShowNoMessageAndRestoreTheDisplay) {
  ASSERT_TRUE(CreateGLWindow());
  EXPECT_EQ(fake::log, (std::vector<std::string>{
                           "GetModuleHandleA",
                           "LoadCursorA",
                           "RegisterClassA OpenGL",
                           "ChangeDisplaySettingsA 1024x768x32 flags 4",
                           "ShowCursor 0",
                           "CreateWindowExA OpenGL OpenGL 1024x768",
                           "GetDC",
                           "ChoosePixelFormat flags 37 colour 32 depth 0 stencil 32",
                           "SetPixelFormat 7",
                           "wglCreateContext",
                           "wglMakeCurrent context",
                           "ShowWindow 5",
                           "SetForegroundWindow",
                           "SetFocus",
                           "wglSwapIntervalEXT 0",
                       }));
  EXPECT_TRUE(fake::DisplayModeChanged());
  EXPECT_TRUE(fake::ContextCurrent());
  EXPECT_LT(fake::CursorCount(), 0);

  fake::log.clear();
  KillGLWindow();
  EXPECT_EQ(fake::log, (std::vector<std::string>{
                           "ChangeDisplaySettingsA restore",
                           "ShowCursor 1",
                           "wglMakeCurrent none",
                           "wglDeleteContext",
                           "ReleaseDC",
                           "DestroyWindow",
                           "UnregisterClassA OpenGL",
                       }));
  EXPECT_TRUE(fake::boxes.empty());
  EXPECT_FALSE(fake::DisplayModeChanged());
  EXPECT_EQ(fake::CursorCount(), 0);
  EXPECT_FALSE(fake::WindowExists());
  // The destruction reached the window procedure.
  EXPECT_TRUE(DemoSettings.Finished);
}

TEST_F(GLWindow, FailedRegistrationShowsOneMessageAndTearsNothingDown) {
  fake::script.registerFails = true;
  EXPECT_FALSE(CreateGLWindow());
  EXPECT_EQ(fake::boxes, (Boxes{Box(Cp1251("Failed to register the window class!").view(), Error.view())}));
  EXPECT_FALSE(fake::DisplayModeChanged());
  EXPECT_EQ(fake::log.back(), "MessageBoxA Failed to register the window class!");
}

TEST_F(GLWindow, SecondRegistrationOfTheClassFails) {
  ASSERT_TRUE(CreateGLWindow());
  EXPECT_FALSE(CreateGLWindow());
  EXPECT_EQ(fake::boxes.size(), 1u);
}

TEST_F(GLWindow, EachFailedCreationStepTearsDownThenSaysWhatFailed) {
  struct Case {
    bool fake::Script::*failure;
    const char *text;  // the platform's reason follows where it helps
  };
  const Case cases[] = {
      {&fake::Script::createWindowFails, "Unable to create the window: no visual"},
      {&fake::Script::getDCFails, "Unable to get the window's device context"},
      {&fake::Script::noPixelFormat, "Unable to find a suitable pixel format"},
      {&fake::Script::setPixelFormatFails, "Unable to set the pixel format"},
      {&fake::Script::createContextFails, "Unable to create the rendering context: no visual"},
      {&fake::Script::makeCurrentFails, "Unable to make the rendering context current: no visual"},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.text);
    SetUp();
    fake::script.*c.failure = true;
    fake::script.errorText = "no visual";
    EXPECT_FALSE(CreateGLWindow());
    // One box, after the teardown: no report of a release step for what
    // was never made.
    EXPECT_EQ(fake::boxes, (Boxes{Box(c.text, Error.view())}));
    EXPECT_EQ(fake::log.back(), std::string("MessageBoxA ") + c.text);
    EXPECT_FALSE(fake::DisplayModeChanged());
    EXPECT_EQ(fake::CursorCount(), 0);
    EXPECT_FALSE(fake::WindowExists());
    EXPECT_NE(std::find(fake::log.begin(), fake::log.end(), "UnregisterClassA OpenGL"), fake::log.end());
  }
}

TEST_F(GLWindow, EveryFailingTeardownStepIsReportedAndTheRestStillRuns) {
  ASSERT_TRUE(CreateGLWindow());
  fake::script.releaseCurrentFails = true;
  fake::script.releaseDCFails = true;
  fake::script.destroyWindowFails = true;
  fake::script.unregisterFails = true;
  KillGLWindow();
  EXPECT_EQ(fake::boxes, (Boxes{Box(Cp1251("Не могу выбрать контекст рендиринга!").view(), Russian.view()),
                                Box(Cp1251("Не могу освободить контексты рендеринга!").view(), Russian.view()),
                                Box(Cp1251("Не могу удалить окно").view(), Russian.view()),
                                Box(Cp1251("Unable to unregister window class!").view(), Russian.view())}));
  // A step that failed forgets its handle; one that succeeded keeps it.
  EXPECT_EQ(DeviceContext, nullptr);
  EXPECT_EQ(WindowHandle, nullptr);
  EXPECT_EQ(InstanceHandle, nullptr);
  EXPECT_NE(RenderContext, nullptr);
}
