// How the C library's heap gives memory back to the kernel, set for a
// program that draws frames back to back on a software renderer. Linked as
// an object of its own into the program (and into whatever must behave as
// the program does): it has no interface, only a constructor that runs
// before any static initializer of the program.
//
// Mesa's llvmpipe bins each frame's draws into 64 KiB blocks taken from
// malloc and frees them once the frame is rasterized: about 11 MB a frame at
// the default settings, nearly all of it for the help text's glyphs, drawn
// one display list at a time; 37 MB at detail 18. The blocks lie below the
// mmap threshold, so they come from the heap, and their release leaves a
// free top far above glibc's trim threshold (128 KiB, or twice the largest
// mapped block freed so far): the heap was cut back with brk and grown again
// every frame, and the kernel served the regrowth page by page, some 1,300
// page faults a frame.
#include <malloc.h>

namespace {

// Above anything a frame frees, so that the heap grows once, to the peak of
// the frames drawn so far, and keeps it. That peak is bounded: the detail
// bound bounds a frame's work, and llvmpipe caps a scene at 36 MiB.
constexpr int kTrimThreshold = 256 << 20;

// Setting the trim threshold also stops glibc from raising the mmap
// threshold as mapped blocks are freed; it is pinned here at glibc's
// default. Frames map no blocks of their own once warm, so this costs them
// nothing, and the large blocks that do come and go keep their own
// mappings and go back to the kernel when they are freed rather than
// staying in the heap: a frozen bolt's display list at detail 18, about
// 20 MiB in blocks of a MiB or two, is gone when Space is released.
constexpr int kMmapThreshold = 128 << 10;

// The top pad (how much more than asked the heap grows by) stays at its
// default: with no trimming the heap grows only until it reaches its peak.

// Priority 101, the first that programs may use: before the C++ static
// initializers of the program, which run at the default priority.
__attribute__((constructor(101))) void SetHeapPolicy() {
  mallopt(M_TRIM_THRESHOLD, kTrimThreshold);
  mallopt(M_MMAP_THRESHOLD, kMmapThreshold);
}

}  // namespace
