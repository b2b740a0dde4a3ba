// http-test-server: a scripted HTTP(S) server on 127.0.0.1 for the tests of both builds (Wine
// programs reach it there). It prints its URL as its first line and serves until it is killed:
// /echo (200, "METHOD TARGET HOST yes|no" for TLS, the Content-Type and User-Agent lines, an
// empty line, the body), /redirect/CODE?to=LOCATION, /size/N (200, N bytes "abc...z" over and
// over), /status/CODE/html|empty[/...] (a small page or nothing), /barrier/N[/...] (200 once
// N requests wait at that same path, so that tests side by side never meet there). With --drip it
// reads a request's head only, and for /KIND/COUNT/EVERY sends the head of a reply, then a piece
// every EVERY ms, COUNT times, then the reply's tail (for /redirect/..., a redirect to the same
// target, without end; for /late/..., the whole reply).
#include <httplib.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <iostream>
#include <map>
#include <memory>
#include <mutex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace {

struct Hold {  // holds requests until `count` of them wait at once
  std::mutex mutex;
  std::condition_variable changed;
  int waiting = 0;
  int generation = 0;

  void wait(int count) {
    std::unique_lock lock(mutex);
    const int mine = generation;
    if (++waiting >= count) {
      waiting = 0;
      ++generation;
      changed.notify_all();
    }
    changed.wait(lock, [&] { return generation != mine; });
  }
};

struct Holds {  // one Hold for each path
  std::mutex mutex;
  std::map<std::string, Hold> by_path;

  Hold& at(const std::string& path) {
    const std::lock_guard lock(mutex);
    return by_path[path];
  }
};

// A socket listening on `port` (0: any) of 127.0.0.1; -1 when it cannot be had.
int listening_socket(int& port) {
  sockaddr_in address{
      AF_INET, htons(static_cast<std::uint16_t>(port)), {htonl(INADDR_LOOPBACK)}, {}};
  socklen_t size = sizeof(address);
  auto* any = reinterpret_cast<sockaddr*>(&address);
  const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
  const bool ok = fd >= 0 && ::bind(fd, any, size) == 0 && ::listen(fd, 512) == 0 &&
                  getsockname(fd, any, &size) == 0;
  port = ntohs(address.sin_port);
  return ok ? fd : -1;
}

// One connection of --drip; the kinds of reply with their head, piece and tail. Afterwards it
// reads until the client closes, so that closing never resets the connection under the reply.
void drip(int client) {
  std::string request;
  char buffer[4096];
  for (ssize_t n = 0; request.find("\r\n\r\n") == std::string::npos &&
                      (n = ::recv(client, buffer, sizeof(buffer), 0)) > 0;) {
    request.append(buffer, static_cast<std::size_t>(n));
  }
  const std::size_t slash = request.find('/');
  const std::string path =
      slash == std::string::npos ? "/" : request.substr(slash, request.find(' ', slash) - slash);
  const std::string redirect = "\r\nLocation: " + path + "\r\nContent-Length: 0\r\n\r\n";
  const std::string_view kinds[][4] = {
      {"header-bytes", "HTTP/1.1 200 OK\r\nX-Drip: ", "a", "\r\nContent-Length: 2\r\n\r\nok"},
      {"header-lines", "HTTP/1.1 200 OK\r\n", "X-Drip: a\r\n", "Content-Length: 2\r\n\r\nok"},
      {"body", "HTTP/1.1 200 OK\r\nContent-Length: 1000\r\n\r\n", "xxxxx", ""},
      {"redirect", "HTTP/1.1 307 Temporary Redirect\r\nX-Drip: ", "a", redirect},
      {"tls", "\x16\x03\x03\x3f\xff", "a", ""},  // a handshake record of 16383 bytes
      {"late", "", "", "HTTP/1.1 200 OK\r\nContent-Length: 4\r\n\r\nlate"},  // all at the end
      {"silence", "", "", ""}};
  std::istringstream target(path.substr(1));  // KIND/COUNT/EVERY
  std::string mode;
  int count = 0;
  int every = 0;
  std::getline(target, mode, '/') >> count&& target.ignore() >> every;
  for (const auto& [name, head, piece, tail] : kinds) {
    bool sent = name == mode && ::send(client, head.data(), head.size(), MSG_NOSIGNAL) >= 0;
    for (int i = 0; sent && i < count; ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds(every));
      sent = ::send(client, piece.data(), piece.size(), MSG_NOSIGNAL) >= 0;
    }
    if (sent) {
      ::send(client, tail.data(), tail.size(), MSG_NOSIGNAL);
    }
  }
  ::shutdown(client, SHUT_WR);
  while (::recv(client, buffer, sizeof(buffer), 0) > 0) {
  }
  ::close(client);
}

std::string describe(const httplib::Request& request, const std::string& body, bool tls) {
  return request.method + " " + request.target + " " + request.get_header_value("Host") +
         (tls ? " yes" : " no") + "\nContent-Type: " + request.get_header_value("Content-Type") +
         "\nUser-Agent: " + request.get_header_value("User-Agent") + "\n\n" + body;
}

void add_routes(httplib::Server& server, bool tls, Holds& holds) {
  using Request = httplib::Request;
  using Response = httplib::Response;
  const auto route = [&server](const std::string& pattern,
                               const httplib::Server::Handler& handler) {
    server.Get(pattern, handler);
    server.Post(pattern, handler);
  };
  server.Get("/echo", [tls](const Request& request, Response& response) {
    response.set_content(describe(request, request.body, tls), "text/plain");
  });
  // Reading the body itself keeps cpp-httplib from parsing a form, which it refuses beyond 8 KiB.
  server.Post("/echo", [tls](const Request& request, Response& response,
                             const httplib::ContentReader& read) {
    std::string body;
    read([&body](const char* data, std::size_t length) { return body.append(data, length), true; });
    response.set_content(describe(request, body, tls), "text/plain");
  });
  route(R"(/redirect/(\d{3}))", [](const Request& request, Response& response) {
    response.status = std::stoi(request.matches[1]);
    response.set_header("Location", request.get_param_value("to"));
  });
  route(R"(/size/(\d+))", [](const Request& request, Response& response) {
    std::string body(std::stoul(request.matches[1]), ' ');
    for (std::size_t i = 0; i < body.size(); ++i) {
      body[i] = static_cast<char>('a' + i % 26);
    }
    response.set_content(body, "text/plain");
  });
  route(R"(/status/(\d{3})/(html|empty)(/.*)?)", [](const Request& request, Response& response) {
    response.status = std::stoi(request.matches[1]);
    if (request.matches[2] == "html") {
      response.set_content("<html><body><h1>" + std::string(request.matches[1]) +
                               " from the test gateway</h1></body></html>",
                           "text/html");
    }
  });
  route(R"(/barrier/(\d+)(/.*)?)", [&holds](const Request& request, Response& response) {
    holds.at(request.path).wait(std::stoi(request.matches[1]));
    response.set_content(R"({"accepted":1})", "application/json");
  });
}

}  // namespace

int main(int argc, char** argv) {
  // As the server fixtures start it: --port N [--drip | --tls-cert FILE --tls-key FILE].
  const std::vector<std::string_view> args(argv + 1, argv + argc);
  const bool drips = args.size() == 3 && args[2] == "--drip";
  const bool tls = args.size() == 6 && args[2] == "--tls-cert" && args[4] == "--tls-key";
  if (args.size() < 2 || args[0] != "--port" || (args.size() != 2 && !drips && !tls)) {
    std::cerr << "usage: http-test-server --port N [--drip | --tls-cert FILE --tls-key FILE]\n";
    return 2;
  }
  int port = std::stoi(argv[2]);
  if (drips) {
    const int listener = listening_socket(port);
    std::cout << (listener < 0 ? "" : "http://127.0.0.1:" + std::to_string(port)) << std::endl;
    for (int client = 0; listener >= 0 && (client = ::accept(listener, nullptr, nullptr)) >= 0;) {
      std::thread(drip, client).detach();
    }
    return 1;
  }
  std::unique_ptr<httplib::Server> server =
      tls ? std::make_unique<httplib::SSLServer>(argv[4], argv[6])
          : std::make_unique<httplib::Server>();
  server->new_task_queue = [] { return new httplib::ThreadPool(32); };  // held ones included
  Holds holds;
  add_routes(*server, tls, holds);
  port = port == 0 ? server->bind_to_any_port("127.0.0.1")
                   : (server->bind_to_port("127.0.0.1", port) ? port : -1);
  if (!server->is_valid() || port < 0) {
    std::cerr << "http-test-server: cannot use the certificate, or listen\n";
    return 1;
  }
  std::cout << (tls ? "https://" : "http://") << "127.0.0.1:" << port << std::endl;
  return server->listen_after_bind() ? 0 : 1;
}
