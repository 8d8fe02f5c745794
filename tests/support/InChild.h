#pragma once

#include <sys/wait.h>
#include <unistd.h>

#include <functional>

namespace tarvo::testing {

// Runs `check` in a child process that is ended after `seconds`: a call that
// hangs fails the test instead of stalling the suite. True when `check`
// returned true in time.
inline bool PassesInChild(const std::function<bool()>& check, unsigned seconds = 20) {
  const pid_t child = ::fork();
  if (child == 0) {
    ::alarm(seconds);
    // Nothing may unwind out of the child into the rest of the test.
    try {
      ::_exit(check() ? 0 : 1);
    } catch (...) {
      ::_exit(1);
    }
  }
  int status = 0;
  if (child < 0 || ::waitpid(child, &status, 0) != child) return false;
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

}  // namespace tarvo::testing
