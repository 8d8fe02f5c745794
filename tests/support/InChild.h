#pragma once

#include <sys/resource.h>
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

// Runs `work` in a child that may use `cpuSeconds` of processor time: for
// work that is slow by nature (memory bounds on large songs), which a busy
// machine slows in wall-clock time but not in its own processor time. A
// child that ran out fails; so does one that did not return true.
inline bool PassesInChildWithinCpu(const std::function<bool()>& work, unsigned cpuSeconds) {
  const pid_t child = ::fork();
  if (child == 0) {
    const rlimit limit{cpuSeconds, cpuSeconds + 10};
    ::setrlimit(RLIMIT_CPU, &limit);
    try {
      ::_exit(work() ? 0 : 1);
    } catch (...) {
      ::_exit(1);
    }
  }
  int status = 0;
  if (child < 0 || ::waitpid(child, &status, 0) != child) return false;
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

}  // namespace tarvo::testing
