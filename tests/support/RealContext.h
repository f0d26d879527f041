// The demo's start-up on a real GL context, for tests and benchmarks: the
// window layer on the SDL video driver that SDL_VIDEODRIVER names (the
// caller sets it; the tests use the offscreen one, with Mesa's software
// renderer), then the font with its texture and the projection, as the main
// block makes them.
#pragma once

// True when the context is current. False when there is none, with the
// display's reason in `reason` when it was the display that failed.
bool StartDemoInRealContext(char *reason, unsigned reasonSize);
