// The loader against fake GL and GLU libraries of our own.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "glbinding/GLLoader.h"

namespace {

// Never destroyed: a fake library still loaded at exit reports its unload
// from the dynamic linker's finalization, after static destructors ran.
std::vector<std::string> &events = *new std::vector<std::string>;

template <class T>
T FakeSymbol(void *library, const char *name) {
  return reinterpret_cast<T>(dlsym(library, name));
}

class Loader : public ::testing::Test {
 protected:
  void SetUp() override {
    // Start every test with nothing loaded and every forwarder in place.
    InitOpenGL("/nonexistent/libGL.so.1", "/nonexistent/libGLU.so.1");
    InstallForwarders();
    events.clear();
  }
};

}  // namespace

// The fake libraries report loads and unloads here.
extern "C" __attribute__((visibility("default"))) void FakeLibraryEvent(const char *what) {
  events.emplace_back(what);
}

TEST_F(Loader, UnloadableGLGivesFalseAndLeavesForwardersInPlace) {
  auto *const beginForwarder = glBegin;
  auto *const getStringForwarder = glGetString;
  EXPECT_FALSE(InitOpenGL("/nonexistent/libGL.so.1", FAKE_GLU));
  EXPECT_EQ(GLLibraryHandle, nullptr);
  EXPECT_NE(std::string(GLLibraryError()).find("/nonexistent/libGL.so.1"), std::string::npos);
  EXPECT_EQ(glBegin, beginForwarder);
  EXPECT_EQ(glGetString, getStringForwarder);
  EXPECT_EQ(glXGetProcAddressARB, nullptr);
  // GLU is loaded all the same.
  EXPECT_NE(GLULibraryHandle, nullptr);
  EXPECT_EQ(reinterpret_cast<void *>(gluPerspective), dlsym(GLULibraryHandle, "gluPerspective"));
}

TEST_F(Loader, NothingLoadedMeansNothingResolves) {
  // With no GL library, a name is not looked up in the whole process (where
  // this test's own symbols live).
  EXPECT_EQ(ResolveEntryPoint("FakeLibraryEvent"), nullptr);
  EXPECT_EQ(ResolveEntryPoint("glBegin"), nullptr);
}

TEST_F(Loader, LoadableGLWithUnloadableGLUGivesTrue) {
  auto *const perspectiveForwarder = gluPerspective;
  EXPECT_TRUE(InitOpenGL(FAKE_GL, "/nonexistent/libGLU.so.1"));
  EXPECT_NE(GLLibraryHandle, nullptr);
  EXPECT_EQ(GLULibraryHandle, nullptr);
  EXPECT_NE(std::string(GLULibraryError()), "");
  EXPECT_EQ(gluPerspective, perspectiveForwarder);
}

TEST_F(Loader, SecondInitReleasesBothLibrariesBeforeLoadingAgain) {
  ASSERT_TRUE(InitOpenGL(FAKE_GL, FAKE_GLU));
  ASSERT_EQ(events, (std::vector<std::string>{"gl load", "glu load"}));
  events.clear();
  ASSERT_TRUE(InitOpenGL(FAKE_GL, FAKE_GLU));
  EXPECT_EQ(events, (std::vector<std::string>{"gl unload", "glu unload", "gl load", "glu load"}));
  // The handles are those of the second load: still usable.
  EXPECT_NE(dlsym(GLLibraryHandle, "glBegin"), nullptr);
  EXPECT_NE(dlsym(GLULibraryHandle, "gluPerspective"), nullptr);
}

TEST_F(Loader, EagerEntriesTheLibraryLacksAreNullAfterLoading) {
  ASSERT_TRUE(InitOpenGL(FAKE_GL, FAKE_GLU));
  EXPECT_EQ(reinterpret_cast<void *>(glGetString), dlsym(GLLibraryHandle, "glGetString"));
  EXPECT_EQ(reinterpret_cast<void *>(glXChooseVisual), dlsym(GLLibraryHandle, "glXChooseVisual"));
  EXPECT_EQ(glXWaitX, nullptr);
  // gluSphere had a forwarder; the library lacks it, so now it is null.
  EXPECT_EQ(gluSphere, nullptr);
  EXPECT_NE(gluBuild2DMipmaps, nullptr);
  gluPerspective(60.0, 4.0 / 3.0, 0.001, 100.0);
  EXPECT_EQ(FakeSymbol<double (*)()>(GLULibraryHandle, "FakeLastFovy")(), 60.0);
}

TEST_F(Loader, FirstCallResolvesOnceAndLaterCallsGoStraightThrough) {
  ASSERT_TRUE(InitOpenGL(FAKE_GL, FAKE_GLU));
  auto lookups = FakeSymbol<int (*)(const char *)>(GLLibraryHandle, "FakeLookups");
  auto beginCalls = FakeSymbol<int (*)()>(GLLibraryHandle, "FakeBeginCalls");
  auto lastMode = FakeSymbol<int (*)()>(GLLibraryHandle, "FakeLastBeginMode");
  ASSERT_EQ(lookups("glBegin"), 0);

  glBegin(GL_QUADS);
  EXPECT_EQ(lookups("glBegin"), 1);
  EXPECT_EQ(beginCalls(), 1);
  EXPECT_EQ(lastMode(), int(GL_QUADS));
  EXPECT_EQ(reinterpret_cast<void *>(glBegin), dlsym(GLLibraryHandle, "glBegin"));

  glBegin(GL_LINES);
  EXPECT_EQ(lookups("glBegin"), 1);
  EXPECT_EQ(beginCalls(), 2);
  EXPECT_EQ(lastMode(), int(GL_LINES));
  // An entry point never called is never looked up.
  EXPECT_EQ(lookups("glClear"), 0);
}

TEST_F(Loader, ForwarderPassesTheResultBack) {
  ASSERT_TRUE(InitOpenGL(FAKE_GL, FAKE_GLU));
  // glGenLists is not answered by glXGetProcAddressARB; the plain symbol
  // lookup finds it.
  EXPECT_EQ(glGenLists(3), 300u);
  EXPECT_EQ(reinterpret_cast<void *>(glGenLists), dlsym(GLLibraryHandle, "glGenLists"));
}

TEST_F(Loader, EntryPointNobodySuppliesStopsTheProgramWithItsName) {
  ASSERT_TRUE(InitOpenGL(FAKE_GL, FAKE_GLU));
  EXPECT_EXIT(glFinish(), ::testing::ExitedWithCode(1), "glFinish");
}

TEST_F(Loader, EntryPointTheProgramGoesOnWithoutIsSkippedAndAskedForAgain) {
  ASSERT_TRUE(InitOpenGL(FAKE_GL, FAKE_GLU));
  const auto lookups = FakeSymbol<int (*)(const char *)>(GLLibraryHandle, "FakeLookups");
  events.clear();
  SetMissingEntryPointHandler([](const char *name) {
    events.emplace_back(name);
    return true;
  });
  EXPECT_EQ(glXSwapIntervalMESA(0), 0);
  EXPECT_EQ(glXSwapIntervalMESA(0), 0);
  EXPECT_EQ(lookups("glXSwapIntervalMESA"), 2);
  SetMissingEntryPointHandler(nullptr);
  EXPECT_EQ(events, (std::vector<std::string>{"glXSwapIntervalMESA", "glXSwapIntervalMESA"}));
  EXPECT_EXIT(glXSwapIntervalMESA(0), ::testing::ExitedWithCode(1), "glXSwapIntervalMESA");
}

