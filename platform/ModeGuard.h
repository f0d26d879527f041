// The demo's side of lightning-guardian (ModeGuardian.cpp), the process that
// gives the desktop its display mode back when the demo dies without doing
// it: a crash, SIGKILL, an exit from Xlib's error handler. Signal handlers
// cannot do that safely, and none runs on SIGKILL.
//
// The guardian lives next to the executable. Where it is missing, does not
// answer or ends before answering, the demo runs on without it and says so
// once on standard error; where it steps aside (no RandR), nothing is said.
#pragma once

// Starts the guardian unless one is watching already, and returns once it
// has recorded the screen's configuration (or stepped aside, or failed):
// call it before the mode changes.
void StartModeGuardian();

// The demo has put the mode back itself: the guardian puts back only what
// still differs from the desktop's own configuration, where no other demo
// still runs, and ends; returns once it has.
void DismissModeGuardian();

// The words on the socket between the two, one byte each.
namespace guardian_word {
constexpr char kGuarding = 'R';        // to the demo: recorded, now watching
constexpr char kSteppingAside = 'S';   // to the demo: nothing to guard here
constexpr char kDismissed = 'D';       // to the guardian: the demo has restored the mode
}  // namespace guardian_word
