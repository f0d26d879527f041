// The demo's globals and the scripted window layer as a run finds them at
// its start, for tests that run the window code or the whole program.
#pragma once

#include <algorithm>
#include <iterator>

#include "demo/Demo.h"
#include "demo/Window.h"
#include "tests/support/FakeWin32.h"

inline void ResetDemoState() {
  fake::Reset();
  DemoSettings = InitialSettings;
  std::fill(std::begin(KeyState), std::end(KeyState), false);
  WindowHandle = nullptr;
  DeviceContext = nullptr;
  RenderContext = nullptr;
  InstanceHandle = nullptr;
}
