// The thread's message queue and the pump that fills it: SDL's events as
// the messages Windows would post or send for them. PeekMessageA,
// TranslateMessage and DispatchMessageA are defined here; this header is
// for the room that opens the display.
#pragma once

// The hang-up handler (SIGHUP: the terminal the program runs from was
// closed): the queue takes it as a quit request. Only raises a flag.
void OnHangUp(int signal);
