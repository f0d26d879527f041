#include "platform/ModeGuard.h"

#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdio>
#include <cstring>

extern char **environ;

namespace {

// Recording takes a few round trips to the X server; a guardian that has
// not answered by then is stuck, and the demo must not wait on it.
constexpr int kAnswerMilliseconds = 2000;

pid_t guardian = 0;
int channel = -1;  // the demo's end of the guardian's socket
bool toldUnguarded = false;

void SayUnguarded(const char *why, const char *detail = nullptr) {
  if (toldUnguarded) return;
  toldUnguarded = true;
  std::fprintf(stderr, "lightning: %s%s%s; should the program crash, the display mode stays as it is.\n",
               why, detail ? ": " : "", detail ? detail : "");
}

// Ends the child, whatever it is doing, leaves no zombie behind, and only
// then closes the demo's end of its socket.
void EndGuardian(pid_t pid, int fd) {
  kill(pid, SIGKILL);
  while (waitpid(pid, nullptr, 0) < 0 && errno == EINTR) {
  }
  close(fd);
}

// Next to the executable, in the build tree as once installed.
bool FindGuardian(char *path, std::size_t size) {
  char self[PATH_MAX];
  const ssize_t length = readlink("/proc/self/exe", self, sizeof self - 1);
  if (length <= 0) return false;
  self[length] = '\0';
  char *slash = std::strrchr(self, '/');
  if (!slash) return false;
  *slash = '\0';
  return std::snprintf(path, size, "%s/lightning-guardian", self) < int(size) && access(path, X_OK) == 0;
}

enum class Answer { Guarding, SteppingAside, Ended, Late };

// Waits for the guardian's one byte. A signal (Ctrl+C, which SDL turns into
// a quit request) starts the wait again.
Answer AwaitAnswer(int fd) {
  pollfd watched{fd, POLLIN, 0};
  int ready;
  while ((ready = poll(&watched, 1, kAnswerMilliseconds)) < 0 && errno == EINTR) {
  }
  if (ready <= 0) return Answer::Late;
  char byte;
  ssize_t got;
  while ((got = read(fd, &byte, 1)) < 0 && errno == EINTR) {
  }
  if (got != 1) return Answer::Ended;
  if (byte == guardian_word::kGuarding) return Answer::Guarding;
  return byte == guardian_word::kSteppingAside ? Answer::SteppingAside : Answer::Ended;
}

}  // namespace

void StartModeGuardian() {
  if (guardian) return;
  char path[PATH_MAX];
  if (!FindGuardian(path, sizeof path)) {
    SayUnguarded("lightning-guardian was not found beside the program");
    return;
  }
  // Close-on-exec: the guardian must hold only its own end, or it would
  // never see the end of the socket when the demo dies.
  int ends[2];
  if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, ends) != 0) {
    SayUnguarded("cannot start lightning-guardian", std::strerror(errno));
    return;
  }
  posix_spawn_file_actions_t files;
  posix_spawn_file_actions_init(&files);
  posix_spawn_file_actions_adddup2(&files, ends[1], 0);
  posix_spawn_file_actions_addopen(&files, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addclosefrom_np(&files, 3);
  // A session of its own: no controlling terminal, out of reach of the
  // terminal's hang-up and Ctrl+C, which the demo answers with its
  // ordinary teardown. Default signal actions and no blocked signals.
  posix_spawnattr_t attributes;
  posix_spawnattr_init(&attributes);
  sigset_t none, all;
  sigemptyset(&none);
  sigfillset(&all);
  posix_spawnattr_setsigmask(&attributes, &none);
  posix_spawnattr_setsigdefault(&attributes, &all);
  posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSID | POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
  char *const arguments[] = {path, nullptr};
  pid_t pid = 0;
  const int failed = posix_spawn(&pid, path, &files, &attributes, arguments, environ);
  posix_spawnattr_destroy(&attributes);
  posix_spawn_file_actions_destroy(&files);
  close(ends[1]);
  if (failed) {
    close(ends[0]);
    SayUnguarded("cannot start lightning-guardian", std::strerror(failed));
    return;
  }
  switch (AwaitAnswer(ends[0])) {
    case Answer::Guarding:
      guardian = pid;
      channel = ends[0];
      return;
    case Answer::SteppingAside:  // no RandR to guard: nothing to say
      break;
    case Answer::Ended:
      SayUnguarded("lightning-guardian ended without answering");
      break;
    case Answer::Late:
      SayUnguarded("lightning-guardian did not answer in time");
      break;
  }
  EndGuardian(pid, ends[0]);
}

void DismissModeGuardian() {
  if (!guardian) return;
  // After this word the guardian puts back what SDL's restore could not
  // know (the mode another demo had set when this one started), unless
  // another demo still runs, and ends: the mode is right once the socket
  // closes. That is waited for, as for its first answer, then it is killed
  // anyway, as a stopped guardian would not read.
  if (send(channel, &guardian_word::kDismissed, 1, MSG_NOSIGNAL) == 1) AwaitAnswer(channel);
  EndGuardian(guardian, channel);
  guardian = 0;
  channel = -1;
}
