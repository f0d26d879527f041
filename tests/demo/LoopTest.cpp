// The window procedure, the held keys and the frame loop, with the Win32
// layer scripted and GL recorded.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <string>
#include <vector>

#include "demo/Demo.h"
#include "demo/Scene.h"
#include "demo/Window.h"
#include "lightning/lightning.h"
#include "tests/support/FakeWin32.h"
#include "tests/support/GLRecorder.h"

namespace {

class Loop : public ::testing::Test {
 protected:
  void SetUp() override {
    fake::Reset();
    DemoSettings = InitialSettings;
    std::fill(std::begin(KeyState), std::end(KeyState), false);
    FrozenList = 0;
    WindowHandle = nullptr;
    ASSERT_TRUE(CreateGLWindow());
    fake::log.clear();
  }
  void TearDown() override { KillGLWindow(); }

  // What happened in each pass of the loop: the message codes dispatched
  // in it (the loop's frames end with SwapBuffers).
  static std::vector<std::vector<std::string>> Passes() {
    std::vector<std::vector<std::string>> passes(1);
    for (const std::string &entry : fake::log) {
      if (entry == "SwapBuffers") passes.emplace_back();
      else if (entry.rfind("DispatchMessageA", 0) == 0) passes.back().push_back(entry.substr(17));
    }
    passes.pop_back();
    return passes;
  }

  GLRecorder gl;
};

std::string Code(UINT message) { return std::to_string(message); }

}  // namespace

TEST_F(Loop, FirstPassWithAnEmptyQueueDrawsTheInitialSettings) {
  fake::script = {};
  KeyState[VK_ESCAPE] = true;  // end after one pass
  RunFrameLoop();
  EXPECT_EQ(Passes(), (std::vector<std::vector<std::string>>{{}}));
  EXPECT_EQ(std::count(fake::log.begin(), fake::log.end(), "TranslateMessage"), 0);
  const auto rotations = gl.Named("glRotatef");
  ASSERT_EQ(rotations.size(), 2u);
  EXPECT_EQ(rotations[0].args[0], 45.0);
  EXPECT_EQ(rotations[1].args[0], -45.0);
  // Detail 10: 1024 segments.
  EXPECT_EQ(gl.Named("glVertex3fv").size(), 2048u);
  // The frame ends flushed, finished and swapped, in that order.
  const std::vector<std::string> names = gl.Names();
  ASSERT_GE(names.size(), 2u);
  EXPECT_EQ(names[names.size() - 2], "glFlush");
  EXPECT_EQ(names.back(), "glFinish");
}

TEST_F(Loop, EscapeHeldStillCompletesItsFrame) {
  fake::Post(WM_KEYDOWN, VK_ESCAPE);
  RunFrameLoop();
  EXPECT_TRUE(DemoSettings.Finished);
  EXPECT_EQ(std::count(fake::log.begin(), fake::log.end(), "SwapBuffers"), 1);
  EXPECT_EQ(gl.Named("glFinish").size(), 1u);
}

TEST_F(Loop, BurstOfMessagesIsHandledOnePerPassInOrder) {
  fake::Post(WM_CHAR, '+');
  fake::Post(WM_CHAR, '+');
  fake::Post(WM_CHAR, 'x');
  fake::Post(WM_CHAR, '-');
  fake::Post(WM_KEYDOWN, VK_ESCAPE);
  std::vector<std::int32_t> details;
  RunFrameLoop();
  EXPECT_EQ(Passes(), (std::vector<std::vector<std::string>>{
                          {Code(WM_CHAR)}, {Code(WM_CHAR)}, {Code(WM_CHAR)}, {Code(WM_CHAR)}, {Code(WM_KEYDOWN)}}));
  EXPECT_EQ(DemoSettings.Detail, 11);
  // One bolt per pass, each at the detail of its pass: 11, 12, 12, 11, 11.
  const auto vertices = gl.Named("glVertex3fv").size();
  EXPECT_EQ(vertices, 2u * ((1u << 11) + (1u << 12) + (1u << 12) + (1u << 11) + (1u << 11)));
}

TEST_F(Loop, WindowClosedByTheSystemEndsTheLoopAfterThatPass) {
  fake::Post(WM_CLOSE, 0);
  RunFrameLoop();
  EXPECT_TRUE(DemoSettings.Finished);
  EXPECT_EQ(std::count(fake::log.begin(), fake::log.end(), "SwapBuffers"), 1);
  EXPECT_NE(std::find(fake::log.begin(), fake::log.end(), "DefWindowProcA 16"), fake::log.end());
}

// The viewport follows the client area whatever size the desktop gives the
// window, and a 1024 x 768 one (the window's own) costs no GL call at all.
TEST_F(Loop, ViewportFollowsTheClientAreaOnlyWhenItsSizeDiffers) {
  const auto size = [](int width, int height) { return LPARAM(width) | LPARAM(height) << 16; };
  gl.Clear();
  EXPECT_EQ(WndProc(WindowHandle, WM_SIZE, SIZE_RESTORED, size(1024, 768)), 0);
  EXPECT_TRUE(gl.calls.empty());
  WndProc(WindowHandle, WM_SIZE, SIZE_RESTORED, size(1920, 1080));
  WndProc(WindowHandle, WM_SIZE, SIZE_RESTORED, size(1920, 1080));
  WndProc(WindowHandle, WM_SIZE, SIZE_MINIMIZED, 0);
  // Before the context exists there is nothing to set, but a context made
  // then starts with that size as its viewport.
  const HGLRC context = RenderContext;
  RenderContext = nullptr;
  WndProc(WindowHandle, WM_SIZE, SIZE_RESTORED, size(1280, 1024));
  RenderContext = context;
  WndProc(WindowHandle, WM_SIZE, SIZE_RESTORED, size(1280, 1024));
  WndProc(WindowHandle, WM_SIZE, SIZE_RESTORED, size(1024, 768));
  ASSERT_EQ(gl.Names(), (std::vector<std::string>{"glViewport", "glViewport"}));
  EXPECT_EQ(gl.calls[0].args, (std::vector<double>{0, 0, 1920, 1080}));
  EXPECT_EQ(gl.calls[1].args, (std::vector<double>{0, 0, 1024, 768}));
  EXPECT_TRUE(fake::log.empty());  // handled, not left to DefWindowProcA
}

TEST(Settings, LeftAndRightTogetherBothApplyLeftFirst) {
  DemoSettings = InitialSettings;
  std::fill(std::begin(KeyState), std::end(KeyState), false);
  KeyState[VK_LEFT] = KeyState[VK_RIGHT] = true;
  UpdateSettings();
  EXPECT_EQ(DemoSettings.RotationY, -45.0f);
  // At 2^24 - 1 the half steps round to even, so the order shows:
  // Left first gives 2^24, Right first would give 2^24 - 2.
  DemoSettings.RotationY = 16777215.0f;
  UpdateSettings();
  EXPECT_EQ(DemoSettings.RotationY, 16777216.0f);
}

TEST(Settings, HeldKeysStepOncePerCallThroughZero) {
  DemoSettings = InitialSettings;
  std::fill(std::begin(KeyState), std::end(KeyState), false);
  KeyState[VK_UP] = true;
  KeyState[VK_F1] = true;
  KeyState[VK_F4] = true;
  for (int i = 0; i < 200; ++i) UpdateSettings();
  EXPECT_EQ(DemoSettings.RotationX, 145.0f);
  EXPECT_NEAR(DemoSettings.Scatter, -0.2f, 1e-5f);
  EXPECT_NEAR(DemoSettings.Damping, 1.0f, 1e-5f);
  EXPECT_FALSE(DemoSettings.Finished);
  // The step is the extended constant 0.002, rounded to single on store.
  DemoSettings = InitialSettings;
  KeyState[VK_F1] = KeyState[VK_F4] = KeyState[VK_UP] = false;
  KeyState[VK_F2] = true;
  UpdateSettings();
  EXPECT_EQ(DemoSettings.Scatter, 0.202f);
}

TEST(Keys, DetailStopsAtItsBoundsAndNeverWraps) {
  DemoSettings = InitialSettings;
  for (int i = 0; i < 100; ++i) WndProc(nullptr, WM_CHAR, '+', 0);
  EXPECT_EQ(DemoSettings.Detail, MaxDetail);
  DemoSettings.Detail = INT_MIN + 1;
  WndProc(nullptr, WM_CHAR, '-', 0);
  WndProc(nullptr, WM_CHAR, '-', 0);
  EXPECT_EQ(DemoSettings.Detail, INT_MIN);
  WndProc(nullptr, WM_CHAR, '+', 0);
  EXPECT_EQ(DemoSettings.Detail, INT_MIN + 1);
}

TEST(Keys, KeyMessagesSetAndClearFlagsAndOthersGoToTheDefault) {
  std::fill(std::begin(KeyState), std::end(KeyState), false);
  fake::Reset();
  EXPECT_EQ(WndProc(nullptr, WM_KEYDOWN, VK_F3, 0), 0);
  EXPECT_TRUE(KeyState[VK_F3]);
  EXPECT_EQ(WndProc(nullptr, WM_KEYUP, VK_F3, 0), 0);
  EXPECT_FALSE(KeyState[VK_F3]);
  // A code beyond the table is not a key: nothing outside it is touched.
  EXPECT_EQ(WndProc(nullptr, WM_KEYDOWN, 300, 0), 0);
  EXPECT_EQ(WndProc(nullptr, WM_KEYUP, WPARAM(-1), 0), 0);
  // System keys are not handled.
  WndProc(nullptr, WM_SYSKEYDOWN, VK_LEFT, 0);
  EXPECT_FALSE(KeyState[VK_LEFT]);
  EXPECT_EQ(fake::log, (std::vector<std::string>{"DefWindowProcA " + Code(WM_SYSKEYDOWN)}));
  // A key held when Alt goes down comes up as a system key: it lets go,
  // and the default still sees the system key.
  WndProc(nullptr, WM_KEYDOWN, VK_UP, 0);
  WndProc(nullptr, WM_SYSKEYUP, VK_UP, 0);
  EXPECT_FALSE(KeyState[VK_UP]);
  EXPECT_EQ(fake::log.back(), "DefWindowProcA " + Code(WM_SYSKEYUP));
}

// Losing the focus lets every key go, the frozen bolt's list included; once
// the loop has ended the context may be gone, and nothing is called.
TEST_F(Loop, FocusLossLetsEveryKeyGoAndCallsNoGLAfterTheLoop) {
  WndProc(WindowHandle, WM_KEYDOWN, VK_SPACE, 0);
  WndProc(WindowHandle, WM_KEYDOWN, VK_F2, 0);
  const GLuint list = FrozenList;
  WndProc(WindowHandle, WM_KILLFOCUS, 0, 0);
  EXPECT_EQ(std::count(std::begin(KeyState), std::end(KeyState), true), 0);
  EXPECT_FALSE(DemoSettings.Frozen);
  ASSERT_EQ(gl.Named("glDeleteLists").size(), 1u);
  EXPECT_EQ(gl.Named("glDeleteLists")[0].args, (std::vector<double>{double(list), 1.0}));
  WndProc(WindowHandle, WM_KEYDOWN, VK_SPACE, 0);
  DemoSettings.Finished = true;
  gl.Clear();
  WndProc(WindowHandle, WM_KILLFOCUS, 0, 0);
  EXPECT_TRUE(gl.calls.empty());
}

TEST_F(Loop, SpaceWithAutoRepeatRecordsOneBoltAndReleaseDeletesIt) {
  DemoSettings.Detail = 2;
  RandomState = 0;
  fake::Post(WM_KEYDOWN, VK_SPACE);
  fake::Post(WM_KEYDOWN, VK_SPACE);
  fake::Post(WM_KEYDOWN, VK_SPACE);
  fake::Post(WM_KEYUP, VK_SPACE);
  fake::Post(WM_KEYDOWN, VK_ESCAPE);
  RunFrameLoop();
  ASSERT_EQ(gl.Named("glGenLists").size(), 1u);
  ASSERT_EQ(gl.Named("glNewList").size(), 1u);
  const GLuint list = gl.Named("glNewList")[0].args[0];
  EXPECT_EQ(gl.Named("glNewList")[0].args[1], double(GL_COMPILE));
  // Frozen for three frames: the list is called instead of a new bolt.
  const auto calls = gl.Named("glCallList");
  ASSERT_EQ(calls.size(), 3u);
  for (const GLCall &call : calls) EXPECT_EQ(call.args[0], double(list));
  const auto deletions = gl.Named("glDeleteLists");
  ASSERT_EQ(deletions.size(), 1u);
  EXPECT_EQ(deletions[0].args, (std::vector<double>{double(list), 1.0}));
  EXPECT_FALSE(DemoSettings.Frozen);
  // The recorded bolt sits between glNewList and glEndList; then two live
  // bolts (after the release and with Escape), each of 4 segments.
  const auto names = gl.Names();
  const auto newList = std::find(names.begin(), names.end(), "glNewList");
  EXPECT_EQ(*(newList + 1), "glBegin");
  EXPECT_EQ(*(newList + 2 + 8), "glEnd");
  EXPECT_EQ(*(newList + 3 + 8), "glEndList");
  EXPECT_EQ(gl.Named("glVertex3fv").size(), 8u + 2 * 8u);
  // The recorded bolt drew from the live bolts' stream: three bolts of
  // 18 draws each have moved it on.
  std::uint32_t state = 0;
  for (int draw = 0; draw < 3 * 18; ++draw) state = state * 134775813u + 1u;
  EXPECT_EQ(RandomState, state);
}

TEST_F(Loop, SpaceReleasedWithoutAListOnlyClearsTheFlag) {
  KeyState[VK_SPACE] = true;
  WndProc(WindowHandle, WM_KEYUP, VK_SPACE, 0);
  EXPECT_FALSE(KeyState[VK_SPACE]);
  EXPECT_TRUE(gl.Named("glDeleteLists").empty());
}

TEST_F(Loop, FrozenSceneDrawsNoRandomNumbersAndKeepsItsColourAndWidth) {
  DemoSettings.Frozen = true;
  FrozenList = 42;
  RandomState = 5;
  DrawScene();
  EXPECT_EQ(RandomState, 5u);
  const std::vector<std::string> tail = {"glColor3f", "glLineWidth", "glCallList"};
  const auto names = gl.Names();
  const auto colour = std::find_end(names.begin(), names.end(), tail.begin(), tail.end());
  ASSERT_NE(colour, names.end());
  const GLCall &colourCall = gl.calls[colour - names.begin()];
  EXPECT_EQ(colourCall.args, (std::vector<double>{1.0, double(0.9f), 1.0}));
  EXPECT_EQ(gl.calls[colour - names.begin() + 1].args[0], 2.0);
  EXPECT_EQ(gl.calls[colour - names.begin() + 2].args[0], 42.0);
}

TEST_F(Loop, SceneDrawsCameraAxesAndBoltInOrder) {
  DemoSettings.Detail = 0;
  DrawScene();
  const std::vector<std::string> expected = {
      "glClear", "glLoadIdentity", "glTranslatef", "glRotatef", "glRotatef", "glLineWidth",
      "glBegin", "glColor3f", "glVertex3f", "glVertex3f", "glColor3f", "glVertex3f", "glVertex3f",
      "glColor3f", "glVertex3f", "glVertex3f", "glEnd", "glColor3f", "glLineWidth",
      "glBegin", "glVertex3fv", "glVertex3fv", "glEnd"};
  const auto names = gl.Names();
  ASSERT_GE(names.size(), expected.size());
  EXPECT_EQ(std::vector<std::string>(names.begin(), names.begin() + expected.size()), expected);
  EXPECT_EQ(gl.calls[0].args[0], double(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT));
  EXPECT_EQ(gl.calls[2].args, (std::vector<double>{0.0, 0.0, -2.5}));
  EXPECT_EQ(gl.calls[3].args, (std::vector<double>{45.0, 1.0, 0.0, 0.0}));
  EXPECT_EQ(gl.calls[4].args, (std::vector<double>{-45.0, 0.0, 1.0, 0.0}));
  // Axis colours and far ends: X red, Y green, Z blue.
  EXPECT_EQ(gl.calls[7].args, (std::vector<double>{1, 0, 0}));
  EXPECT_EQ(gl.calls[9].args, (std::vector<double>{1, 0, 0}));
  EXPECT_EQ(gl.calls[10].args, (std::vector<double>{0, 1, 0}));
  EXPECT_EQ(gl.calls[12].args, (std::vector<double>{0, 1, 0}));
  EXPECT_EQ(gl.calls[13].args, (std::vector<double>{0, 0, 1}));
  EXPECT_EQ(gl.calls[15].args, (std::vector<double>{0, 0, 1}));
}
