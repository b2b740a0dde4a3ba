#include "tests/scenario/child_process.h"

#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <stdexcept>

namespace brivanto_test {
namespace {

[[noreturn]] void fail(const std::string& what, int error) {
  throw std::runtime_error(what + ": " + std::strerror(error));  // NOLINT(concurrency-mt-unsafe)
}

// Milliseconds from now to `deadline` for poll(), at least 0.
int milliseconds_until(ChildProcess::Clock::time_point deadline) {
  const auto left =
      std::chrono::ceil<std::chrono::milliseconds>(deadline - ChildProcess::Clock::now());
  return static_cast<int>(std::clamp<std::chrono::milliseconds::rep>(left.count(), 0, 60'000));
}

// Waits until `fd` is readable or the deadline passes; false at the deadline.
bool readable_before(int fd, ChildProcess::Clock::time_point deadline) {
  for (;;) {
    pollfd entry{fd, POLLIN, 0};
    const int ready = poll(&entry, 1, milliseconds_until(deadline));
    if (ready > 0)
      return true;
    if (ready < 0 && errno != EINTR)
      fail("poll", errno);
    if (ready == 0 && ChildProcess::Clock::now() >= deadline)
      return false;
  }
}

void close_fd(int& fd) {
  if (fd >= 0)
    close(fd);
  fd = -1;
}

std::vector<char*> pointers(const std::vector<std::string>& strings) {
  std::vector<char*> out;
  out.reserve(strings.size() + 1);
  for (const std::string& s : strings)
    out.push_back(const_cast<char*>(s.c_str()));  // NOLINT(cppcoreguidelines-pro-type-const-cast)
  out.push_back(nullptr);
  return out;
}

}  // namespace

ChildProcess::ChildProcess(const std::vector<std::string>& argv,
                           const std::vector<std::string>& environment,
                           const std::string& error_file) {
  // A write to a child that has ended must fail, not end this process.
  std::signal(SIGPIPE, SIG_IGN);
  int input[2];
  int output[2];
  if (pipe2(input, O_CLOEXEC) != 0)
    fail("pipe", errno);
  if (pipe2(output, O_CLOEXEC) != 0) {
    const int error = errno;
    close(input[0]);
    close(input[1]);
    fail("pipe", error);
  }
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, input[0], STDIN_FILENO);
  posix_spawn_file_actions_adddup2(&actions, output[1], STDOUT_FILENO);
  posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, error_file.c_str(),
                                   O_WRONLY | O_CREAT | O_APPEND, 0644);
  const auto args = pointers(argv);
  const auto env = pointers(environment);
  const int error =
      posix_spawn(&pid_, argv.at(0).c_str(), &actions, nullptr, args.data(), env.data());
  posix_spawn_file_actions_destroy(&actions);
  close(input[0]);
  close(output[1]);
  input_ = input[1];
  output_ = output[0];
  if (error != 0) {
    close_fd(input_);
    close_fd(output_);
    fail("cannot start " + argv.at(0), error);
  }
  // glibc's own pidfd_open lacks C linkage in its header here: the system call itself.
  ended_fd_ = static_cast<int>(syscall(SYS_pidfd_open, pid_, 0));
  if (ended_fd_ < 0) {
    const int open_error = errno;
    ::kill(pid_, SIGKILL);
    int status = 0;
    while (waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
    }
    close_fd(input_);
    close_fd(output_);
    fail("pidfd_open", open_error);
  }
}

ChildProcess::~ChildProcess() {
  if (!ended()) {
    ::kill(pid_, SIGKILL);
    int status = 0;
    while (waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
    }
  }
  close_fd(input_);
  close_fd(output_);
  close_fd(ended_fd_);
}

bool ChildProcess::write(std::string_view text) const {
  while (!text.empty() && input_ >= 0) {
    const ssize_t written = ::write(input_, text.data(), text.size());
    if (written < 0 && errno == EINTR)
      continue;
    if (written <= 0)
      return false;
    text.remove_prefix(static_cast<std::size_t>(written));
  }
  return text.empty();
}

void ChildProcess::close_input() {
  close_fd(input_);
}

std::optional<std::string> ChildProcess::read_line(Clock::time_point deadline) {
  for (;;) {
    const auto end = pending_.find('\n');
    if (end != std::string::npos || (output_ended_ && !pending_.empty())) {
      std::string line = pending_.substr(0, end);
      pending_.erase(0, end == std::string::npos ? end : end + 1);
      if (!line.empty() && line.back() == '\r')
        line.pop_back();
      return line;
    }
    if (output_ended_)
      return std::nullopt;
    // Watches the process too: once it has ended, what it wrote is all in the pipe, even when
    // a process it started still holds the pipe open.
    pollfd entries[2] = {{output_, POLLIN, 0}, {ended_fd_, POLLIN, 0}};
    const int ready = poll(entries, 2, milliseconds_until(deadline));
    if (ready < 0 && errno != EINTR)
      fail("poll", errno);
    if (ready <= 0) {
      if (ready == 0 && Clock::now() >= deadline)
        return std::nullopt;
      continue;
    }
    if (entries[0].revents == 0) {
      pollfd output{output_, POLLIN, 0};
      output_ended_ = poll(&output, 1, 0) == 0;  // the process has ended, its output with it
      continue;
    }
    char buffer[4096];
    const ssize_t got = read(output_, buffer, sizeof(buffer));
    if (got < 0 && errno == EINTR)
      continue;
    if (got < 0)
      fail("reading the output of process " + std::to_string(pid_), errno);
    output_ended_ = got == 0;
    pending_.append(buffer, static_cast<std::size_t>(got > 0 ? got : 0));
  }
}

void ChildProcess::kill() const {
  if (!ended())
    ::kill(pid_, SIGKILL);
}

std::optional<int> ChildProcess::wait(Clock::time_point deadline) {
  if (!status_ && readable_before(ended_fd_, deadline)) {
    int status = 0;
    while (waitpid(pid_, &status, 0) < 0) {
      if (errno != EINTR)
        fail("waitpid", errno);
    }
    status_ = status;
  }
  return status_;
}

}  // namespace brivanto_test
