// The browser of the Linux build: $BROWSER (or xdg-open) started directly, with the URL as its
// only argument, so that nothing in a URL can reach a shell.
#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "preferences/window.h"

namespace foo_brivanto {
namespace {

namespace fs = std::filesystem;

// Reads what the browser command writes into `fifo`, waiting at most 30 s for it.
std::string read_fifo(const fs::path& fifo) {
  const int fd = open(fifo.c_str(), O_RDONLY | O_NONBLOCK);
  std::string text;
  pollfd ready{fd, POLLIN, 0};
  while (fd >= 0 && poll(&ready, 1, 30000) > 0) {
    char buffer[512];
    const ssize_t got = read(fd, buffer, sizeof buffer);
    if (got <= 0) {
      break;
    }
    text.append(buffer, static_cast<std::size_t>(got));
  }
  if (fd >= 0) {
    close(fd);
  }
  return text;
}

TEST(OpenInBrowserTest, StartsTheBrowserWithTheUrlAsItsOnlyArgument) {
  const fs::path dir = fs::temp_directory_path() / ("browser-test-" + std::to_string(getpid()));
  fs::create_directories(dir);
  const fs::path fifo = dir / "seen";
  const fs::path marker = dir / "injected";
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  const fs::path browser = dir / "browser";
  std::ofstream(browser) << "#!/bin/sh\nprintf '%s|%s' \"$#\" \"$1\" > '" << fifo.string() << "'\n";
  fs::permissions(browser, fs::perms::owner_all);

  const std::string url =
      "http://127.0.0.1/api/auth?token=a&b=$(touch " + marker.string() + ")`id`;'\"|x";
  setenv("BROWSER", browser.c_str(), 1);  // NOLINT(concurrency-mt-unsafe): one thread here
  EXPECT_TRUE(open_in_browser(url));
  EXPECT_EQ(read_fifo(fifo), "1|" + url);
  EXPECT_FALSE(fs::exists(marker));

  setenv("BROWSER", (dir / "missing").c_str(), 1);  // NOLINT(concurrency-mt-unsafe)
  EXPECT_FALSE(open_in_browser(url));
  unsetenv("BROWSER");  // NOLINT(concurrency-mt-unsafe)
  fs::remove_all(dir);
}

}  // namespace
}  // namespace foo_brivanto
