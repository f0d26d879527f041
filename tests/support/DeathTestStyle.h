// The style of the death tests that need a process of their own:
// "threadsafe" runs the statement in the test program started anew, so that
// no thread of SDL's is forked half-way. Under qemu-user (the ARM builds on
// a PC) a program cannot start itself anew, as the host's kernel cannot run
// the target's program: there the child is forked from a test process in
// which nothing has started a thread yet (CTest runs each case of these
// programs alone: CASES_APART in tests/CMakeLists.txt).
#pragma once

#if defined(LIGHTNING_UNDER_EMULATOR)
inline constexpr const char *kOwnProcessDeathTests = "fast";
#else
inline constexpr const char *kOwnProcessDeathTests = "threadsafe";
#endif
