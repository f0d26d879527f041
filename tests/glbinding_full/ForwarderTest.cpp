// The forwarders of the whole entry-point list against a GL library of our
// own that counts every name asked of its glXGetProcAddressARB.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <iterator>
#include <set>
#include <string>
#include <vector>

#include "glbinding/GLLoader.h"

namespace {

using Function = void (*)();

template <class T>
T Fake(const char *name) {
  void *symbol = dlsym(GLLibraryHandle, name);
  EXPECT_NE(symbol, nullptr) << name;
  return reinterpret_cast<T>(symbol);
}

int Lookups(const char *name) { return Fake<int (*)(const char *)>("CountingLookups")(name); }
double LastDouble(int i) { return Fake<double (*)(int)>("CountingDouble")(i); }
std::int64_t LastInteger(int i) { return Fake<std::int64_t (*)(int)>("CountingInteger")(i); }
const void *LastPointer() { return Fake<const void *(*)()>("CountingPointer")(); }
Function Answer(const char *name) { return Fake<Function (*)(const char *)>("CountingAnswer")(name); }

std::vector<std::string> NamesAsked() {
  std::vector<std::string> names;
  const int count = Fake<int (*)()>("CountingNamesAsked")();
  for (int i = 0; i < count; ++i)
    names.emplace_back(Fake<const char *(*)(int)>("CountingNameAsked")(i));
  return names;
}

// Names that InitOpenGL looks up itself, through ResolveEntryPoint.
std::set<std::string> EagerNames() {
  std::set<std::string> names{"glGetString"};
#define GLX_EAGER(family, ret, name, params, args) names.insert(#name);
#include "glbinding/EntryPoints.inc"
#undef GLX_EAGER
  return names;
}

// Where each variable lives, as constant data: one line of code per entry
// point would make this file take minutes to compile.
struct Variable {
  const char *name;
  const void *address;
  // What the variable holds now. Every entry-point variable is a function
  // pointer of the same size and representation.
  Function Value() const {
    Function value;
    std::memcpy(&value, address, sizeof value);
    return value;
  }
};

const Variable lazyVariables[] = {
#define LAZY(family, ret, name, params, args) {#name, &name},
#define GL_LAZY LAZY
#define GL_LAZY_PROC LAZY
#define GLU_EAGER LAZY
#include "glbinding/EntryPoints.inc"
#undef GL_LAZY
#undef GL_LAZY_PROC
#undef GLU_EAGER
};

const Variable glxCoreVariables[] = {
#define GLX_EAGER(family, ret, name, params, args) {#name, &name},
#include "glbinding/EntryPoints.inc"
#undef GLX_EAGER
};

class Forwarders : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(InitOpenGL(COUNTING_GL, "/nonexistent/libGLU.so.1")) << GLLibraryError();
  }
};

}  // namespace

// Runs in a process of its own (every test does, under ctest), where nothing
// but the unit initialization has touched the variables.
TEST(ForwardersAtStart, EveryLazyVariableHoldsItsOwnForwarderBeforeMain) {
  std::set<Function> forwarders;
  for (const Variable &variable : lazyVariables) {
    EXPECT_NE(variable.Value(), nullptr) << variable.name << " has no forwarder";
    forwarders.insert(variable.Value());
  }
  // A shared forwarder would bind one entry point's variable to another's.
  EXPECT_EQ(forwarders.size(), std::size(lazyVariables));

  for (const Variable &variable : glxCoreVariables)
    EXPECT_EQ(variable.Value(), nullptr) << "the GLX core has no forwarders, yet " << variable.name
                                       << " is set";
}

TEST_F(Forwarders, FirstCallLooksUpOnceLaterCallsDoNotAndUncalledOnesNever) {
  const auto forwarder = glGenLists;
  EXPECT_EQ(Lookups("glGenLists"), 0);

  EXPECT_EQ(glGenLists(3), 22u);
  EXPECT_EQ(Lookups("glGenLists"), 1);
  EXPECT_NE(glGenLists, forwarder);
  EXPECT_EQ(reinterpret_cast<Function>(glGenLists), Answer("glGenLists"));  // straight into the library now

  EXPECT_EQ(glGenLists(5), 36u);
  EXPECT_EQ(glGenLists(0), 1u);
  EXPECT_EQ(Lookups("glGenLists"), 1);

  // Of the 3000 forwarders, only the one called asked for its name; the rest
  // of what the library was asked is InitOpenGL's own eager binding.
  const std::set<std::string> eager = EagerNames();
  for (const std::string &name : NamesAsked())
    EXPECT_TRUE(name == "glGenLists" || eager.count(name)) << name << " was looked up";
  EXPECT_EQ(Lookups("glBegin"), 0);
  EXPECT_EQ(Lookups("glCreateShader"), 0);
  EXPECT_EQ(Lookups("glXSwapIntervalEXT"), 0);
}

TEST_F(Forwarders, FirstCallPassesArgumentsAndResultsOfEveryKind) {
  // Pointer results.
  EXPECT_STREQ(reinterpret_cast<const char *>(glGetString(GL_VERSION)), "counting GL");
  void *mapped = glMapBuffer(0x8892, 0x88B9);
  EXPECT_NE(mapped, nullptr);
  EXPECT_EQ(LastInteger(0), 0x8892);
  EXPECT_EQ(LastInteger(1), 0x88B9);

  // A 64-bit result, whose high half a 32-bit return would lose.
  EXPECT_EQ(glGetTextureHandleARB(7), UINT64_C(0x8000000100000007));
  EXPECT_EQ(LastInteger(0), 7);

  // A floating-point result, returned in a different register.
  EXPECT_EQ(glGetPathLengthNV(4, -2, 3), 0.46875f);
  EXPECT_EQ(LastInteger(0), 4);
  EXPECT_EQ(LastInteger(1), -2);
  EXPECT_EQ(LastInteger(2), 3);

  // Nine arguments: the last three are passed on the stack.
  static const unsigned char pixels[4] = {1, 2, 3, 4};
  glTexImage2D(GL_TEXTURE_2D, 2, GL_RGBA, 640, 480, 1, GL_RGB, GL_UNSIGNED_BYTE, pixels);
  const std::int64_t expected[] = {GL_TEXTURE_2D, 2, GL_RGBA, 640, 480, 1, GL_RGB, GL_UNSIGNED_BYTE};
  for (int i = 0; i < 8; ++i) EXPECT_EQ(LastInteger(i), expected[i]) << "argument " << i;
  EXPECT_EQ(LastPointer(), pixels);

  // Six doubles, in order.
  glOrtho(-1.5, 2.25, -3.0, 4.125, 0.5, 1e300);
  const double doubles[] = {-1.5, 2.25, -3.0, 4.125, 0.5, 1e300};
  for (int i = 0; i < 6; ++i) EXPECT_EQ(LastDouble(i), doubles[i]) << "argument " << i;

  // A GLX extension: 64-bit arguments and result.
  int display = 0;
  const std::int64_t big = INT64_C(0x100000000);
  EXPECT_EQ(glXSwapBuffersMscOML(reinterpret_cast<Display *>(&display), 99, big, 3, -1), big + 2);
  EXPECT_EQ(LastPointer(), &display);
  EXPECT_EQ(LastInteger(0), 99);
  EXPECT_EQ(LastInteger(1), big);
  EXPECT_EQ(LastInteger(3), -1);

  // The same calls again go straight to the library with the same effect.
  EXPECT_EQ(glGetTextureHandleARB(9), UINT64_C(0x8000000100000009));
  EXPECT_EQ(glGetPathLengthNV(0, 0, 1), 0.15625f);
  for (const char *name : {"glGetTextureHandleARB", "glGetPathLengthNV", "glMapBuffer",
                           "glTexImage2D", "glOrtho", "glXSwapBuffersMscOML"})
    EXPECT_EQ(Lookups(name), 1) << name;
}

TEST_F(Forwarders, OpenGL20AsksGlXGetProcAddressAlone) {
  EXPECT_EQ(glCreateShader(0x8B31), 42u);
  EXPECT_EQ(LastInteger(0), 0x8B31);
  glVertexAttrib4d(5, 0.25, -8.0, 1e-300, 3.5);
  EXPECT_EQ(LastInteger(0), 5);
  EXPECT_EQ(LastDouble(0), 0.25);
  EXPECT_EQ(LastDouble(1), -8.0);
  EXPECT_EQ(LastDouble(2), 1e-300);
  EXPECT_EQ(LastDouble(3), 3.5);

  // An OpenGL 1.0 entry point that only the library's symbol table has is
  // found by the second lookup...
  glFlush();
  EXPECT_EQ(Fake<int (*)()>("CountingFlushCalls")(), 1);
  EXPECT_EQ(reinterpret_cast<void *>(glFlush), dlsym(GLLibraryHandle, "glFlush"));
  // ...an OpenGL 2.0 one is not: glXGetProcAddressARB is asked, and nothing else.
  EXPECT_EXIT(glCreateProgram(), ::testing::ExitedWithCode(1), "glCreateProgram");
}

TEST_F(Forwarders, GLUEntryPointsFallBackToTheGLLibraryWhenGLUIsMissing) {
  ASSERT_EQ(GLULibraryHandle, nullptr);
  gluOrtho2D(-2.0, 2.0, -1.0, 1.0);
  EXPECT_EQ(Lookups("gluOrtho2D"), 1);
  EXPECT_EQ(LastDouble(0), -2.0);
  EXPECT_EQ(LastDouble(3), 1.0);
  EXPECT_EQ(reinterpret_cast<void *>(gluOrtho2D), dlsym(GLLibraryHandle, "gluOrtho2D"));
}

TEST_F(Forwarders, EntryPointNobodySuppliesStopsWithItsNameInsteadOfJumpingToNull) {
  EXPECT_EXIT(glAccum(0x0100, 0.5f), ::testing::ExitedWithCode(1), "glAccum");
  EXPECT_EXIT(glXSwapIntervalEXT(nullptr, 0, 0), ::testing::ExitedWithCode(1), "glXSwapIntervalEXT");
  // With no GL library at all, the same.
  ASSERT_FALSE(InitOpenGL("/nonexistent/libGL.so.1", "/nonexistent/libGLU.so.1"));
  InstallForwarders();
  EXPECT_EXIT(glBegin(GL_LINES), ::testing::ExitedWithCode(1), "glBegin");
}
