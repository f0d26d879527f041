// Text input pushed into SDL's queue as a video driver queues typed text,
// for the tests that stand in for the keyboard.
//
// SDL2 takes a text event through SDL_PushEvent. sdl2-compat, SDL2's
// interface over SDL3, turns each pushed event into SDL3's form
// (Event2to3 in sdl2_compat.c) but makes none of a text event, whose text
// SDL3 holds by pointer rather than in the event, and hands SDL3's
// SDL_PushEvent a null event, which it reads. Under sdl2-compat the event
// goes in SDL3's form to SDL3's SDL_PushEvent, as SDL3's keyboard code
// queues typed text, and comes out through sdl2-compat's conversion like
// any text typed on a keyboard.
#pragma once

#include <SDL.h>
#include <dlfcn.h>

// SDL3 keeps the pointer until the event is taken: text must outlive it
// (a literal does).
inline void PushTextInput(Uint32 windowId, const char *text) {
  if (void *sdl3 = dlopen("libSDL3.so.0", RTLD_LAZY | RTLD_NOLOAD)) {
    // SDL_TextInputEvent of SDL3's SDL_events.h, in its 128-byte SDL_Event;
    // SDL3's SDL_EVENT_TEXT_INPUT has SDL2's number.
    union {
      struct {
        Uint32 type, reserved;
        Uint64 timestamp;
        Uint32 windowID;
        const char *text;
      } text;
      Uint8 padding[128];
    } event{};
    event.text.type = SDL_TEXTINPUT;
    event.text.windowID = windowId;
    event.text.text = text;
    if (const auto push = reinterpret_cast<bool (*)(void *)>(dlsym(sdl3, "SDL_PushEvent"))) push(&event);
    dlclose(sdl3);
    return;
  }
  SDL_Event event{};
  event.type = SDL_TEXTINPUT;
  event.text.windowID = windowId;
  SDL_strlcpy(event.text.text, text, sizeof event.text.text);
  SDL_PushEvent(&event);
}
