// A program run as a child process whose standard input and output are pipes to this one, for
// the scenario driver (Linux).
#pragma once

#include <sys/types.h>

#include <chrono>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace brivanto_test {

class ChildProcess {
 public:
  using Clock = std::chrono::steady_clock;

  // Starts `argv[0]` (a path) with the arguments after it and `environment` ("NAME=value"
  // entries) as its whole environment; its standard error is appended to the file
  // `error_file`. Throws std::runtime_error when it cannot be started.
  ChildProcess(const std::vector<std::string>& argv, const std::vector<std::string>& environment,
               const std::string& error_file);
  // Kills the process if it still runs, and reaps it.
  ~ChildProcess();
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  // Writes `text` to its standard input; false when it reads no more.
  bool write(std::string_view text) const;
  // Ends its standard input.
  void close_input();

  // The next line of its standard output, without the line end (a "\r" before it is dropped
  // too, as Windows programs write them); nullopt at the deadline or at the end of the output
  // (output_ended() tells which). The output ends when the pipe closes or, sooner, once the
  // process has ended and nothing more waits in the pipe. A last line without a line end
  // counts once the output ends.
  std::optional<std::string> read_line(Clock::time_point deadline);
  bool output_ended() const { return output_ended_; }

  // Sends SIGKILL.
  void kill() const;
  // Waits until the process has ended; its status as waitpid gives it, or nullopt at the
  // deadline.
  std::optional<int> wait(Clock::time_point deadline);
  bool ended() const { return status_.has_value(); }

  pid_t pid() const { return pid_; }

 private:
  pid_t pid_ = -1;
  int input_ = -1;       // our end of its standard input
  int output_ = -1;      // our end of its standard output
  int ended_fd_ = -1;    // a pidfd: readable once the process has ended
  std::string pending_;  // output read but not yet returned as lines
  bool output_ended_ = false;
  std::optional<int> status_;
};

}  // namespace brivanto_test
