/* Heap meter for the soak test: preloaded into the real program, it writes
   every half second the time since start and the bytes of heap in use
   (mallinfo2, over all of glibc's arenas, mapped blocks included) to the
   file named by HEAP_METER_LOG.

     gcc -shared -fPIC -O2 -o heap_meter.so heap_meter.c -lpthread

   The resident set alone cannot show a leak while the allocator still holds
   memory freed earlier (the demo's bolt lists leave 20 MiB of it): leaked
   blocks fill that first, unseen. The heap in use sees them at once. */
#define _GNU_SOURCE
#include <malloc.h>
#include <pthread.h>
#include <stdio.h>
#include <stdlib.h>
#include <time.h>

static void *Sample(void *unused) {
  (void)unused;
  const char *path = getenv("HEAP_METER_LOG");
  FILE *log = path ? fopen(path, "w") : NULL;
  if (!log) return NULL;
  struct timespec start, now;
  clock_gettime(CLOCK_MONOTONIC, &start);
  const struct timespec half = {0, 500000000};
  for (;;) {
    const struct mallinfo2 info = mallinfo2();
    clock_gettime(CLOCK_MONOTONIC, &now);
    fprintf(log, "%.1f %zu\n", (double)(now.tv_sec - start.tv_sec) + (now.tv_nsec - start.tv_nsec) * 1e-9,
            info.uordblks + info.hblkhd);
    fflush(log);
    nanosleep(&half, NULL);
  }
  return NULL;
}

__attribute__((constructor)) static void Start(void) {
  pthread_t thread;
  if (pthread_create(&thread, NULL, Sample, NULL) == 0) pthread_detach(thread);
}
