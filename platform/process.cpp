#include "platform/process.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include <sys/wait.h>

namespace fablewick {

bool StartDetached(const std::vector<std::string>& arguments, std::string& error) {
  if (arguments.empty()) {
    error = "no program named";
    return false;
  }
  std::vector<char*> argv;
  for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
  argv.push_back(nullptr);

  // The grandchild reports a failed exec through a pipe that closes on a successful one; the
  // child exits at once, so nothing is left to wait for.
  int report[2];
  if (pipe2(report, O_CLOEXEC) != 0) {
    error = std::strerror(errno);
    return false;
  }
  const pid_t child = fork();
  if (child < 0) {
    error = std::strerror(errno);
    close(report[0]);
    close(report[1]);
    return false;
  }
  if (child == 0) {
    setsid();
    const pid_t grandchild = fork();
    if (grandchild == 0) {
      execvp(argv[0], argv.data());
      const int failure = errno;
      (void)!write(report[1], &failure, sizeof failure);
      _exit(127);
    }
    _exit(grandchild < 0 ? 1 : 0);
  }
  close(report[1]);
  int status = 0;
  waitpid(child, &status, 0);
  int failure = 0;
  const ssize_t got = read(report[0], &failure, sizeof failure);
  close(report[0]);
  if (got == static_cast<ssize_t>(sizeof failure)) {
    error = std::strerror(failure);
    return false;
  }
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    error = "the program could not be started";
    return false;
  }
  return true;
}

}  // namespace fablewick
