#pragma once
// Runs a check in a child process that is killed after a deadline, so a test
// of "this never hangs" fails instead of hanging the whole suite.
#include <functional>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

namespace testsupport {

// True when body returned true within `seconds`.
inline bool ChildSucceedsWithin(unsigned seconds, const std::function<bool()>& body) {
  const pid_t child = ::fork();
  if (child < 0) return false;
  if (child == 0) {
    ::alarm(seconds);
    ::_exit(body() ? 0 : 1);
  }
  int status = 0;
  while (::waitpid(child, &status, 0) < 0) {
  }
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

} // namespace testsupport
