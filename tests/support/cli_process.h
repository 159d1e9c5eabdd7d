// Running a program in tests (fablewick-cli above all) and collecting what it writes.
//
//   CliProcess process({FABLEWICK_CLI_PATH, "--home", home, "roll", "Inn"});
//   const Outcome run = process.Finish(std::chrono::seconds(10));
//   EXPECT_EQ(run.status, 0);
#pragma once

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include <sys/wait.h>

namespace fablewick {

using Clock = std::chrono::steady_clock;

struct Outcome {
  std::string out;
  std::string err;
  int status = -1;  // the exit status; -1 when the process did not exit by itself
  bool ended = false;
};

// A program running with standard input empty and its standard output and error on pipes;
// the first argument is the program.
class CliProcess {
 public:
  explicit CliProcess(const std::vector<std::string>& args) {
    std::vector<std::string> all = args;
    std::vector<char*> argv;
    for (std::string& arg : all) argv.push_back(arg.data());
    argv.push_back(nullptr);
    int out[2], err[2];
    if (pipe2(out, O_CLOEXEC) != 0 || pipe2(err, O_CLOEXEC) != 0) return;
    pid_ = fork();
    if (pid_ == 0) {
      const int null = open("/dev/null", O_RDONLY);
      dup2(null, 0);
      dup2(out[1], 1);
      dup2(err[1], 2);
      execv(argv[0], argv.data());
      _exit(127);
    }
    close(out[1]);
    close(err[1]);
    out_fd_ = out[0];
    err_fd_ = err[0];
  }
  ~CliProcess() {
    if (pid_ > 0 && !reaped_) {
      kill(pid_, SIGKILL);
      waitpid(pid_, nullptr, 0);
    }
    if (out_fd_ >= 0) close(out_fd_);
    if (err_fd_ >= 0) close(err_fd_);
  }
  CliProcess(const CliProcess&) = delete;
  CliProcess& operator=(const CliProcess&) = delete;

  void Signal(int signal) { kill(pid_, signal); }

  // Collects output until the process has ended and closed its pipes, or `limit` has passed.
  // With `read_output` false, standard output is left unread, so that a large document blocks
  // the process in its write.
  Outcome Finish(Clock::duration limit, bool read_output = true) {
    const Clock::time_point end = Clock::now() + limit;
    while (Clock::now() < end) {
      std::vector<pollfd> fds;
      if (read_output && out_fd_ >= 0) fds.push_back({out_fd_, POLLIN, 0});
      if (err_fd_ >= 0) fds.push_back({err_fd_, POLLIN, 0});
      if (fds.empty() || (!read_output && err_fd_ < 0)) {
        if (Reap(false)) break;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
        continue;
      }
      poll(fds.data(), fds.size(), 20);
      for (const pollfd& fd : fds) {
        if (fd.revents == 0) continue;
        char buffer[65536];
        const ssize_t n = read(fd.fd, buffer, sizeof buffer);
        int& own = fd.fd == out_fd_ ? out_fd_ : err_fd_;
        std::string& text = fd.fd == out_fd_ ? outcome_.out : outcome_.err;
        if (n > 0) {
          text.append(buffer, static_cast<std::size_t>(n));
        } else {
          close(own);
          own = -1;
        }
      }
      if (out_fd_ < 0 && err_fd_ < 0 && Reap(true)) break;
    }
    Reap(false);
    return outcome_;
  }

  // Whether the process has ended, without waiting.
  bool Running() { return !Reap(false); }

  // Waits until the process has installed a handler for `signal` (as the system reports it in
  // /proc), so that a signal sent afterwards reaches the program rather than ending it.
  bool WaitUntilCatching(int signal, Clock::duration limit) {
    const Clock::time_point end = Clock::now() + limit;
    while (Clock::now() < end && Running()) {
      std::ifstream status("/proc/" + std::to_string(pid_) + "/status");
      for (std::string line; std::getline(status, line);) {
        if (!line.starts_with("SigCgt:")) continue;
        const unsigned long long caught = std::stoull(line.substr(7), nullptr, 16);
        if ((caught >> (signal - 1)) & 1u) return true;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return false;
  }

 private:
  bool Reap(bool block) {
    if (reaped_) return true;
    int status = 0;
    if (waitpid(pid_, &status, block ? 0 : WNOHANG) != pid_) return false;
    reaped_ = true;
    outcome_.ended = true;
    outcome_.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return true;
  }

  pid_t pid_ = -1;
  int out_fd_ = -1;
  int err_fd_ = -1;
  bool reaped_ = false;
  Outcome outcome_;
};

// Runs the program to its end (a minute at most).
inline Outcome RunCli(const std::vector<std::string>& args) {
  CliProcess process(args);
  return process.Finish(std::chrono::seconds(60));
}

}  // namespace fablewick
