// Window creation and teardown against the scripted Win32 layer.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "demo/Demo.h"
#include "demo/Window.h"
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
constexpr auto DeleteContextFailed = Cp1251("Не могу удалит контекст рендеринга!");

class GLWindow : public ::testing::Test {
 protected:
  void SetUp() override {
    fake::Reset();
    DemoSettings = InitialSettings;
    WindowHandle = nullptr;
    DeviceContext = nullptr;
    RenderContext = nullptr;
    InstanceHandle = nullptr;
  }
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

TEST_F(GLWindow, NoPixelFormatTearsDownFirstThenSaysSo) {
  fake::script.noPixelFormat = true;
  EXPECT_FALSE(CreateGLWindow());
  // No context exists yet, so the teardown's context deletion fails.
  EXPECT_EQ(fake::boxes, (Boxes{Box(DeleteContextFailed.view(), Russian.view()),
                                Box(Cp1251("Unable to find a suitable pixel format").view(), Error.view())}));
  EXPECT_FALSE(fake::DisplayModeChanged());
  EXPECT_EQ(fake::CursorCount(), 0);
  EXPECT_FALSE(fake::WindowExists());
}

TEST_F(GLWindow, FailuresAfterTheModeChangeRestoreDisplayAndCursor) {
  for (bool fake::Script::*failure :
       {&fake::Script::createWindowFails, &fake::Script::getDCFails, &fake::Script::setPixelFormatFails,
        &fake::Script::createContextFails, &fake::Script::makeCurrentFails}) {
    SetUp();
    fake::script.*failure = true;
    EXPECT_FALSE(CreateGLWindow());
    EXPECT_FALSE(fake::DisplayModeChanged());
    EXPECT_EQ(fake::CursorCount(), 0);
    EXPECT_FALSE(fake::WindowExists());
    // These failures have no message of their own: whatever shows comes
    // from the teardown, and the class is gone so a retry could register.
    for (const auto &[text, caption] : fake::boxes) EXPECT_EQ(caption, Russian.view());
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
