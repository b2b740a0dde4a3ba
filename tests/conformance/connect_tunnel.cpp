// conformance-tunnel: the proxy of the conformance test. The shipped library talks to the
// service's public https name through WinHTTP's default proxy; this proxy, on 127.0.0.1,
// answers each CONNECT by tunnelling to the stand-in service, whatever name it asks for, so
// that the library's TLS session ends at the stand-in (whose certificate the test authority
// signed for that name). It prints its URL as its first line and serves until it is killed.
//
//   conformance-tunnel --port N --target-url-file FILE
//
// FILE holds the stand-in's URL (https://127.0.0.1:PORT), read at each CONNECT, so the tunnel
// may start before the service does. Plain requests steer what later CONNECTs get:
//   POST /forward   tunnel them to the service (the start)
//   POST /refuse    answer 502
//   POST /hold      answer 200, then drip a TLS handshake record that never completes, a byte
//                   every 250 ms, until /release or 60 s
//   POST /release   end every held connection; later CONNECTs are refused
//   GET /held       wait (at most 30 s) until a connection is held: 200, else 504
//   GET /held?N     the same, until N connections are held at once
// Every change of mode also ends the tunnels already open, so that no connection kept alive
// by the client carries a request past the new mode.
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <array>
#include <charconv>
#include <chrono>
#include <condition_variable>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <mutex>
#include <set>
#include <sstream>
#include <string>
#include <string_view>
#include <thread>

namespace {

enum class Mode { kForward, kRefuse, kHold };

struct State {
  std::mutex mutex;
  std::condition_variable changed;
  Mode mode = Mode::kForward;
  int held = 0;           // connections held now
  unsigned releases = 0;  // /release calls so far
  std::set<int> tunnels;  // sockets of open tunnels, both ends
  std::string target_url_file;
};

State g_state;

void log(const std::string& text) {
  std::cerr << "conformance-tunnel: " << text << std::endl;
}

bool send_all(int fd, std::string_view data) {
  while (!data.empty()) {
    const ssize_t sent = ::send(fd, data.data(), data.size(), MSG_NOSIGNAL);
    if (sent <= 0) {
      return false;
    }
    data.remove_prefix(static_cast<std::size_t>(sent));
  }
  return true;
}

int listening_socket(int& port) {
  sockaddr_in address{
      AF_INET, htons(static_cast<std::uint16_t>(port)), {htonl(INADDR_LOOPBACK)}, {}};
  socklen_t size = sizeof(address);
  auto* any = reinterpret_cast<sockaddr*>(&address);
  const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
  const int yes = 1;
  ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof(yes));
  const bool ok = fd >= 0 && ::bind(fd, any, size) == 0 && ::listen(fd, 64) == 0 &&
                  ::getsockname(fd, any, &size) == 0;
  port = ntohs(address.sin_port);
  return ok ? fd : -1;
}

// The service's port from its URL file, or 0.
int service_port() {
  std::ifstream file(g_state.target_url_file);
  std::string url;
  std::getline(file, url);
  const std::size_t colon = url.rfind(':');
  if (url.rfind("https://127.0.0.1:", 0) != 0 || colon == std::string::npos) {
    return 0;
  }
  try {
    return std::stoi(url.substr(colon + 1));
  } catch (const std::exception&) {
    return 0;
  }
}

int connect_to_service() {
  const int port = service_port();
  if (port == 0) {
    return -1;
  }
  sockaddr_in address{
      AF_INET, htons(static_cast<std::uint16_t>(port)), {htonl(INADDR_LOOPBACK)}, {}};
  const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
  if (fd >= 0 && ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)) != 0) {
    ::close(fd);
    return -1;
  }
  return fd;
}

// Copies bytes both ways until either side closes (or a change of mode shuts them down).
void relay(int client, int service) {
  pollfd fds[] = {{client, POLLIN, 0}, {service, POLLIN, 0}};
  char buffer[16384];
  for (;;) {
    if (::poll(fds, 2, -1) < 0) {
      return;
    }
    for (int i = 0; i < 2; ++i) {
      if ((fds[i].revents & (POLLIN | POLLHUP | POLLERR)) == 0) {
        continue;
      }
      const ssize_t got = ::recv(fds[i].fd, buffer, sizeof(buffer), 0);
      if (got <= 0 ||
          !send_all(fds[1 - i].fd, std::string_view(buffer, static_cast<std::size_t>(got)))) {
        return;
      }
    }
  }
}

// The service is called only once the client speaks: it gives up on a connection that stays
// silent for 5 s, and a Wine process under load can take longer than that to begin its TLS
// handshake after the tunnel's 200.
void forward(int client) {
  {
    const std::lock_guard lock(g_state.mutex);
    g_state.tunnels.insert(client);
  }
  std::array<char, 16384> first{};
  pollfd waiting{client, POLLIN, 0};
  const ssize_t got = send_all(client, "HTTP/1.1 200 Connection established\r\n\r\n") &&
                              ::poll(&waiting, 1, 60000) == 1
                          ? ::recv(client, first.data(), first.size(), 0)
                          : -1;
  const int service = got > 0 ? connect_to_service() : -1;
  if (got > 0 && service < 0) {
    log("CONNECT dropped: the service is not reachable");
  }
  if (service >= 0) {
    {
      const std::lock_guard lock(g_state.mutex);
      g_state.tunnels.insert(service);
    }
    if (send_all(service, std::string_view(first.data(), static_cast<std::size_t>(got)))) {
      relay(client, service);
    }
  }
  {
    const std::lock_guard lock(g_state.mutex);
    g_state.tunnels.erase(client);
    g_state.tunnels.erase(service);
  }
  if (service >= 0) {
    ::close(service);
  }
}

// The client waits inside its TLS handshake: a record announcing 16383 bytes, which come one
// at a time.
void hold(int client) {
  std::unique_lock lock(g_state.mutex);
  const unsigned releases = g_state.releases;
  ++g_state.held;
  g_state.changed.notify_all();
  lock.unlock();
  bool open = send_all(client, "HTTP/1.1 200 Connection established\r\n\r\n") &&
              send_all(client, std::string_view("\x16\x03\x03\x3f\xff", 5));
  lock.lock();
  const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  while (open && g_state.releases == releases && std::chrono::steady_clock::now() < end) {
    if (!g_state.changed.wait_for(lock, std::chrono::milliseconds(250),
                                  [&] { return g_state.releases != releases; })) {
      lock.unlock();
      open = send_all(client, "a");
      lock.lock();
    }
  }
  --g_state.held;
  log(g_state.releases != releases ? "held connection released" : "held connection ended");
}

std::string reply(int status, const std::string& body) {
  const char* reason = status == 200 ? "OK" : status == 404 ? "Not Found" : "Gateway Timeout";
  return "HTTP/1.1 " + std::to_string(status) + " " + reason +
         "\r\nContent-Type: text/plain\r\nConnection: close\r\nContent-Length: " +
         std::to_string(body.size()) + "\r\n\r\n" + body;
}

void set_mode(Mode mode, bool release) {
  const std::lock_guard lock(g_state.mutex);
  g_state.mode = mode;
  if (release) {
    ++g_state.releases;
  }
  for (const int fd : g_state.tunnels) {
    ::shutdown(fd, SHUT_RDWR);
  }
  g_state.changed.notify_all();
}

std::string control(const std::string& method, const std::string& path) {
  const struct {
    const char* path;
    Mode mode;
    bool release;
  } modes[] = {{"/forward", Mode::kForward, false},
               {"/refuse", Mode::kRefuse, false},
               {"/hold", Mode::kHold, false},
               {"/release", Mode::kRefuse, true}};
  for (const auto& m : modes) {
    if (method == "POST" && path == m.path) {
      set_mode(m.mode, m.release);
      log("mode " + path);
      return reply(200, path.substr(1) + "\n");
    }
  }
  if (method == "GET" && (path == "/held" || path.starts_with("/held?"))) {
    int wanted = 1;
    if (path != "/held") {
      const std::string_view count = std::string_view(path).substr(6);
      const auto [end, error] = std::from_chars(count.data(), count.data() + count.size(), wanted);
      if (error != std::errc{} || end != count.data() + count.size() || wanted < 1) {
        return reply(404, "unknown: " + method + " " + path + "\n");
      }
    }
    std::unique_lock lock(g_state.mutex);
    const bool held = g_state.changed.wait_for(lock, std::chrono::seconds(30),
                                               [wanted] { return g_state.held >= wanted; });
    return held ? reply(200, "held\n")
                : reply(504, std::to_string(wanted) + " not held at once within 30 s\n");
  }
  return reply(404, "unknown: " + method + " " + path + "\n");
}

void serve(int client) {
  std::string head;
  char buffer[4096];
  while (head.find("\r\n\r\n") == std::string::npos && head.size() < 65536) {
    const ssize_t got = ::recv(client, buffer, sizeof(buffer), 0);
    if (got <= 0) {
      ::close(client);
      return;
    }
    head.append(buffer, static_cast<std::size_t>(got));
  }
  std::istringstream line(head.substr(0, head.find("\r\n")));
  std::string method;
  std::string target;
  line >> method >> target;
  if (method == "CONNECT") {
    Mode mode = Mode::kRefuse;
    {
      const std::lock_guard lock(g_state.mutex);
      mode = g_state.mode;
    }
    log("CONNECT " + target +
        (mode == Mode::kForward ? ": forwarded"
         : mode == Mode::kHold  ? ": held"
                                : ": refused"));
    if (mode == Mode::kForward) {
      forward(client);
    } else if (mode == Mode::kHold) {
      hold(client);
    } else {
      send_all(client, "HTTP/1.1 502 Bad Gateway\r\nContent-Length: 0\r\n\r\n");
    }
  } else {
    send_all(client, control(method, target));
  }
  ::close(client);
}

}  // namespace

int main(int argc, char** argv) {
  int port = 0;
  bool usable = argc % 2 == 1;
  for (int i = 1; i + 1 < argc; i += 2) {
    const std::string_view option = argv[i];
    const std::string_view value = argv[i + 1];
    if (option == "--port") {
      const auto [end, error] = std::from_chars(value.data(), value.data() + value.size(), port);
      usable = usable && error == std::errc{} && end == value.data() + value.size() && port >= 0 &&
               port <= 65535;
    } else if (option == "--target-url-file") {
      g_state.target_url_file = value;
    } else {
      usable = false;
    }
  }
  if (!usable || g_state.target_url_file.empty()) {
    std::cerr << "usage: conformance-tunnel --port N --target-url-file FILE\n";
    return 2;
  }
  std::signal(SIGPIPE, SIG_IGN);
  const int listener = listening_socket(port);
  if (listener < 0) {
    std::perror("conformance-tunnel: cannot listen on 127.0.0.1");
    return 1;
  }
  std::cout << "http://127.0.0.1:" << port << std::endl;
  for (;;) {
    const int client = ::accept(listener, nullptr, nullptr);
    if (client >= 0) {
      std::thread(serve, client).detach();
    }
  }
}
