// Runs a command with its standard output sent to a file and prints the CPU time (user and
// system) and the wall-clock time the command took, in seconds: "WALL CPU". The command is
// started with posix_spawn, which does not copy the caller, so the figures hold the command's
// own start (exec, loading, initialisation), its work and its exit, and nothing of the caller
// that a shell's fork would add to them.
//
//   fablewick_run_timed OUTPUT_FILE COMMAND [ARGUMENT...]
#include <fcntl.h>
#include <spawn.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>

#include <sys/resource.h>
#include <sys/wait.h>

extern char** environ;

namespace {

double Seconds(const timeval& t) { return static_cast<double>(t.tv_sec) + t.tv_usec / 1e6; }

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: fablewick_run_timed OUTPUT_FILE COMMAND [ARGUMENT...]\n");
    return 2;
  }
  // The output file is emptied here, before the clock starts: giving back the pages of the
  // previous run's output is no part of the command's work.
  const int output = open(argv[1], O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (output < 0) {
    std::fprintf(stderr, "fablewick_run_timed: cannot open %s: %s\n", argv[1],
                 std::strerror(errno));
    return 1;
  }
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, output, STDOUT_FILENO);
  posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
  const auto start = std::chrono::steady_clock::now();
  pid_t child = 0;
  const int spawned = posix_spawnp(&child, argv[2], &actions, nullptr, argv + 2, environ);
  posix_spawn_file_actions_destroy(&actions);
  close(output);
  if (spawned != 0) {
    std::fprintf(stderr, "fablewick_run_timed: cannot start %s: %s\n", argv[2],
                 std::strerror(spawned));
    return 1;
  }
  int status = 0;
  rusage usage{};
  if (wait4(child, &status, 0, &usage) != child) {
    std::perror("fablewick_run_timed: wait4");
    return 1;
  }
  const std::chrono::duration<double> wall = std::chrono::steady_clock::now() - start;
  std::printf("%.6f %.6f\n", wall.count(), Seconds(usage.ru_utime) + Seconds(usage.ru_stime));
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    std::fprintf(stderr, "fablewick_run_timed: %s did not end normally\n", argv[2]);
    return 1;
  }
  return 0;
}
