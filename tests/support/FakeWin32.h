// A scripted stand-in for the Win32 layer, for tests of the window layer
// and the frame loop without a display.
//
// Every call is logged by name (with its salient argument), message boxes
// are recorded rather than shown, and each call that can fail fails when
// the script says so. Messages posted with Post come out of PeekMessageA in
// order and DispatchMessageA hands them to the registered window procedure.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "platform/Win32.h"

namespace fake {

struct Script {
  bool noDisplay = false;
  bool registerFails = false;
  bool createWindowFails = false;
  bool getDCFails = false;
  bool noPixelFormat = false;
  bool setPixelFormatFails = false;
  bool createContextFails = false;
  bool makeCurrentFails = false;      // with a context
  bool releaseCurrentFails = false;   // with no context
  bool releaseDCFails = false;
  bool destroyWindowFails = false;
  bool unregisterFails = false;
  const char *errorText = "";  // what LastErrorText tells
};

extern Script script;
extern std::vector<std::string> log;
// (text, caption), as the program passed them: Windows-1251 bytes.
extern std::vector<std::pair<std::string, std::string>> boxes;

// Forgets everything: script, log, boxes, classes, window, queue, mode.
void Reset();

// Queues a message for the window (null before it exists).
void Post(UINT message, WPARAM wParam, LPARAM lParam = 0);
int Queued();

bool DisplayModeChanged();  // a full-screen mode is in force
int CursorCount();          // ShowCursor's counter: below 0 is hidden
bool WindowExists();
bool ContextCurrent();

}  // namespace fake
