// The brivanto-service program as the test fixtures of other programs start it: the first line
// of its output is the URL, and SIGTERM stops it cleanly.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <httplib.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <chrono>
#include <regex>
#include <string>
#include <vector>

extern char** environ;

namespace brivanto_service {
namespace {

using Clock = std::chrono::steady_clock;

// The program running with its standard output (or error) on a pipe.
class Program {
 public:
  explicit Program(std::vector<std::string> args, int stream = STDOUT_FILENO) {
    args.insert(args.begin(), BRIVANTO_SERVICE_PROGRAM);
    std::vector<char*> argv;
    for (std::string& arg : args)
      argv.push_back(arg.data());
    argv.push_back(nullptr);
    std::array<int, 2> fds{};
    EXPECT_EQ(pipe2(fds.data(), O_CLOEXEC), 0);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, fds[1], stream);
    EXPECT_EQ(posix_spawn(&pid_, argv[0], &actions, nullptr, argv.data(), environ), 0);
    posix_spawn_file_actions_destroy(&actions);
    close(fds[1]);
    out_ = fds[0];
  }
  ~Program() {
    if (pid_ > 0) {
      kill(pid_, SIGKILL);
      wait_exit();
    }
    close(out_);
  }

  // Output up to the first line feed (excluded), or to the end of output; waits at most 20 s.
  std::string read_line() { return read_until(true); }
  std::string read_all() { return read_until(false); }

  void signal(int sig) const { kill(pid_, sig); }

  // The exit status; call after the output has ended.
  int wait_exit() {
    int status = 0;
    waitpid(pid_, &status, 0);
    pid_ = -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  }

 private:
  std::string read_until(bool line) {
    const auto deadline = Clock::now() + std::chrono::seconds(20);
    while (Clock::now() < deadline) {
      if (const auto end = buffer_.find('\n'); line && end != std::string::npos) {
        std::string first = buffer_.substr(0, end);
        buffer_.erase(0, end + 1);
        return first;
      }
      pollfd fd{out_, POLLIN, 0};
      const auto left =
          std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
      if (poll(&fd, 1, static_cast<int>(left.count()) + 1) <= 0)
        continue;
      std::array<char, 4096> chunk{};
      const ssize_t n = read(out_, chunk.data(), chunk.size());
      if (n <= 0)
        break;
      buffer_.append(chunk.data(), static_cast<std::size_t>(n));
    }
    return std::exchange(buffer_, {});
  }

  pid_t pid_ = -1;
  int out_ = -1;
  std::string buffer_;
};

TEST(ProgramTest, PrintsItsUrlFirstAndStopsOnSigterm) {
  Program program({"--port", "0"});
  const std::string url = program.read_line();
  ASSERT_TRUE(std::regex_match(url, std::regex(R"(http://127\.0\.0\.1:[0-9]{1,5})"))) << url;
  httplib::Client client(url);
  const auto page = client.Get("/");
  ASSERT_TRUE(page) << httplib::to_string(page.error());
  EXPECT_EQ(page->status, 200);

  program.signal(SIGTERM);
  EXPECT_EQ(program.read_all(), "");  // nothing more on standard output, then its end
  EXPECT_EQ(program.wait_exit(), 0);
}

TEST(ProgramTest, BadOptionsExitWithUsage) {
  const struct {
    std::vector<std::string> args;
    int status;
    const char* text;
  } cases[] = {
      {{"--port", "http"}, 2, "usage: brivanto-service"},
      {{"--bogus"}, 2, "unknown option '--bogus'"},
      {{"--tls-cert", "/nonexistent/c.pem", "--tls-key", "/nonexistent/k.pem"},
       1,
       "cannot load the TLS certificate"},
  };
  for (const auto& c : cases) {
    Program program(c.args, STDERR_FILENO);
    const std::string err = program.read_all();
    EXPECT_NE(err.find(c.text), std::string::npos) << err;
    EXPECT_EQ(program.wait_exit(), c.status) << c.text;
  }
}

}  // namespace
}  // namespace brivanto_service
