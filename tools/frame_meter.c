/* Frame meter: preload it into the demo to count the frames it shows.

     gcc -shared -fPIC -O2 -o build/frame_meter.so tools/frame_meter.c -ldl
     LD_PRELOAD=$PWD/build/frame_meter.so ./build/lightning

   It wraps SDL_GL_SwapWindow, which the demo calls once per frame, and at
   exit writes to standard error the time from start to the first frame and
   the frames per second after it, and the process's processor time per
   frame (all threads, the renderer's included: on a loaded machine, a
   steadier measure of a frame's cost than the rate). Nothing in the program
   knows about it.
   FRAME_METER_SKIP=S leaves the first S seconds after the first frame out of
   the rate (keys typed to set the detail, the renderer settling). */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <stdio.h>
#include <stdlib.h>
#include <time.h>

static double startSeconds, firstFrameSeconds, lastFrameSeconds, skipSeconds, countFromSeconds;
static double countFromCpu, lastFrameCpu;
static unsigned long frames, counted;

static double Clock(clockid_t clock) {
  struct timespec now;
  clock_gettime(clock, &now);
  return (double)now.tv_sec + (double)now.tv_nsec * 1e-9;
}
static double Now(void) { return Clock(CLOCK_MONOTONIC); }

__attribute__((constructor)) static void Start(void) {
  startSeconds = Now();
  const char *skip = getenv("FRAME_METER_SKIP");
  skipSeconds = skip ? atof(skip) : 0.0;
}

void SDL_GL_SwapWindow(void *window) {
  static void (*real)(void *);
  if (!real) real = (void (*)(void *))dlsym(RTLD_NEXT, "SDL_GL_SwapWindow");
  real(window);
  lastFrameSeconds = Now();
  lastFrameCpu = Clock(CLOCK_PROCESS_CPUTIME_ID);
  if (frames++ == 0) firstFrameSeconds = lastFrameSeconds;
  /* The rate counts the frames after the one that ends the skipped span. */
  if (counted++ == 0 || lastFrameSeconds - firstFrameSeconds < skipSeconds) {
    counted = 1;
    countFromSeconds = lastFrameSeconds;
    countFromCpu = lastFrameCpu;
  }
}

__attribute__((destructor)) static void Report(void) {
  if (frames == 0) {
    fprintf(stderr, "frame meter: no frame shown\n");
    return;
  }
  const double span = lastFrameSeconds - countFromSeconds;
  const double perFrame = counted > 1 ? 1.0 / (double)(counted - 1) : 0.0;
  fprintf(stderr, "frame meter: first frame after %.3f s; %lu frames; %.1f frames/s; %.2f ms of processor time a frame\n",
          firstFrameSeconds - startSeconds, frames, span * perFrame > 0 ? 1.0 / (span * perFrame) : 0.0,
          (lastFrameCpu - countFromCpu) * perFrame * 1e3);
}
