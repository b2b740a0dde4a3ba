// http-test-server: a scripted HTTP(S) server on loopback for the HTTP client's tests. Each
// path gives one kind of reply (see kUsage). It prints its URL as the first line on standard
// output and serves until SIGTERM or SIGINT. A native program, used by the tests of both
// builds: Windows test programs under Wine reach it on 127.0.0.1.
#include <arpa/inet.h>
#include <httplib.h>
#include <netinet/in.h>
#include <pthread.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <csignal>
#include <iostream>
#include <memory>
#include <mutex>
#include <span>
#include <string>
#include <thread>

namespace {

constexpr std::string_view kUsage = R"(usage: http-test-server --port N [--host ADDRESS]
                        [--tls-cert FILE --tls-key FILE | --drip]
Serves, for GET and POST:
  /echo                  200, the request: "METHOD TARGET", "tls: yes|no", its headers, an
                         empty line, its body
  /redirect/CODE?to=V    CODE with "Location: V"      /chain/N  N redirects, then 200
  /chunked?pieces=N      200, N chunks "piece I\n"    /size/N   200 with N bytes
  /truncated, /stalled   announce 1000 bytes, send 500, then close or go silent
  /hang                  never answers               /refused-port  a port that refuses
  /status/CODE/html|empty[/...]   CODE with a small page or nothing
  /barrier/N[/...]       holds requests until N wait together, then 200 {"accepted":1}
With --drip it speaks raw HTTP and sends one piece every EVERY ms, COUNT times, of
  /header-bytes/COUNT/EVERY  a header line, byte by byte, then the rest of a 200 "ok"
  /header-lines/COUNT/EVERY  header lines, then the rest of a 200 "ok"
  /body/COUNT/EVERY          a body of COUNT bytes
  /tls/COUNT/EVERY           a TLS record header announcing 16 KiB, then bytes of the record
)";

// Held requests (/hang, /stalled, /barrier) wait here; shutdown releases them all.
struct Hold {
  std::mutex mutex;
  std::condition_variable changed;
  bool stopping = false;
  int waiting = 0;
  int generation = 0;

  void stop() {
    const std::lock_guard lock(mutex);
    stopping = true;
    changed.notify_all();
  }
  void wait() {
    std::unique_lock lock(mutex);
    changed.wait(lock, [this] { return stopping; });
  }
  // Waits until `count` requests (this one included) have arrived; false at shutdown.
  bool barrier(int count) {
    std::unique_lock lock(mutex);
    const int mine = generation;
    if (++waiting >= count) {
      waiting = 0;
      ++generation;
      changed.notify_all();
    }
    changed.wait(lock, [&] { return generation != mine || stopping; });
    return generation != mine;
  }
};

// A socket bound to a free port of `host`, listening or not; -1 when none could be had.
int bound_socket(const std::string& host, int port, bool listening, int& bound_port) {
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(static_cast<std::uint16_t>(port));
  socklen_t size = sizeof(address);
  auto* any = reinterpret_cast<sockaddr*>(&address);
  const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
  if (fd < 0 || inet_pton(AF_INET, host.c_str(), &address.sin_addr) != 1 ||
      ::bind(fd, any, size) != 0 || (listening && ::listen(fd, 512) != 0) ||
      getsockname(fd, any, &size) != 0) {
    return -1;
  }
  bound_port = ntohs(address.sin_port);
  return fd;
}

// Serves one connection of --drip: reads the request's head, drips, and waits for the client
// to close, reading what else it sends, so that closing never resets the reply.
void drip(int client) {
  std::string request;
  char buffer[4096];
  for (ssize_t n = 0; request.find("\r\n\r\n") == std::string::npos &&
                      (n = ::recv(client, buffer, sizeof(buffer), 0)) > 0;) {
    request.append(buffer, static_cast<std::size_t>(n));
  }
  char mode[16] = {};
  int count = 0;
  int every = 0;
  std::sscanf(request.c_str(), "%*s /%15[a-z-]/%d/%d", mode, &count, &every);
  const std::string_view path = mode;
  const std::string ok = "Content-Length: 2\r\n\r\nok";
  std::string head = "HTTP/1.1 200 OK\r\n";
  std::string piece = "a";
  std::string tail;
  if (path == "header-bytes") {
    head += "X-Drip: ";
    tail = "\r\n" + ok;
  } else if (path == "header-lines") {
    piece = "X-Drip: a\r\n";
    tail = ok;
  } else if (path == "body") {
    head += "Content-Length: " + std::to_string(count) + "\r\n\r\n";
  } else {
    head = std::string("\x16\x03\x03\x40\x00", 5);  // a handshake record of 16 KiB
  }
  bool sent = ::send(client, head.data(), head.size(), MSG_NOSIGNAL) > 0;
  for (int i = 0; sent && i < count; ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(every));
    sent = ::send(client, piece.data(), piece.size(), MSG_NOSIGNAL) > 0;
  }
  if (sent) {
    ::send(client, tail.data(), tail.size(), MSG_NOSIGNAL);
  }
  ::shutdown(client, SHUT_WR);
  while (::recv(client, buffer, sizeof(buffer), 0) > 0) {
  }
  ::close(client);
}

std::string describe(const httplib::Request& request, const std::string& body, bool tls) {
  std::string text = request.method + " " + request.target + (tls ? "\ntls: yes\n" : "\ntls: no\n");
  for (const auto& [name, value] : request.headers) {
    if (!name.starts_with("REMOTE_") && !name.starts_with("LOCAL_")) {
      text.append(name).append(": ").append(value).append("\n");
    }
  }
  return text + "\n" + body;
}

void add_routes(httplib::Server& server, bool tls, Hold& hold, int refused_port) {
  using Response = httplib::Response;
  const auto route = [&server](const std::string& pattern,
                               const httplib::Server::Handler& handler) {
    server.Get(pattern, handler);
    server.Post(pattern, handler);
  };
  server.Get("/echo", [tls](const httplib::Request& request, Response& response) {
    response.set_content(describe(request, request.body, tls), "text/plain");
  });
  // Reading the body itself keeps cpp-httplib from parsing a form, which it refuses beyond 8 KiB.
  server.Post("/echo", [tls](const httplib::Request& request, Response& response,
                             const httplib::ContentReader& read) {
    std::string body;
    read([&body](const char* data, std::size_t length) { return body.append(data, length), true; });
    response.set_content(describe(request, body, tls), "text/plain");
  });
  route(R"(/redirect/(\d{3}))", [](const httplib::Request& request, Response& response) {
    response.status = std::stoi(request.matches[1]);
    response.set_header("Location", request.get_param_value("to"));
  });
  route(R"(/chain/(\d+))", [](const httplib::Request& request, Response& response) {
    const int left = std::stoi(request.matches[1]);
    response.status = left == 0 ? 200 : 302;
    response.set_header("Location", "/chain/" + std::to_string(left - 1));
    response.set_content(left == 0 ? "end of chain" : "", "text/plain");
  });
  route("/chunked", [](const httplib::Request& request, Response& response) {
    const int pieces = std::stoi(request.get_param_value("pieces"));
    response.set_chunked_content_provider(
        "text/plain", [pieces](std::size_t, httplib::DataSink& sink) {
          for (int i = 0; i < pieces; ++i) {
            const std::string piece = "piece " + std::to_string(i) + "\n";
            if (!sink.write(piece.data(), piece.size())) {
              return false;
            }
          }
          sink.done();
          return true;
        });
  });
  route(R"(/size/(\d+))", [](const httplib::Request& request, Response& response) {
    response.set_content(std::string(std::stoul(request.matches[1]), 'x'), "text/plain");
  });
  route("/(truncated|stalled)", [&hold](const httplib::Request& request, Response& response) {
    const bool stall = request.matches[1] == "stalled";
    response.set_content_provider(
        1000, "text/plain", [&hold, stall](std::size_t, std::size_t, httplib::DataSink& sink) {
          sink.write(std::string(500, 'x').data(), 500);
          if (stall) {
            hold.wait();
          }
          return false;  // the server drops the connection
        });
  });
  const auto hang = [&hold](const httplib::Request&, Response& response) {
    hold.wait();
    response.status = 503;
  };
  server.Get("/hang", hang);
  // Takes the body's reader and never reads: a big body fills the connection and stalls.
  server.Post("/hang", [hang](const httplib::Request& request, Response& response,
                              const httplib::ContentReader&) { hang(request, response); });
  route(R"(/status/(\d{3})/(html|empty)(/.*)?)",
        [](const httplib::Request& request, Response& response) {
          response.status = std::stoi(request.matches[1]);
          if (request.matches[2] == "html") {
            response.set_content("<html><body><h1>" + std::string(request.matches[1]) +
                                     " from the test gateway</h1></body></html>",
                                 "text/html");
          }
        });
  route(R"(/barrier/(\d+)(/.*)?)", [&hold](const httplib::Request& request, Response& response) {
    const bool met = hold.barrier(std::stoi(request.matches[1]));
    response.status = met ? 200 : 503;
    response.set_content(met ? R"({"accepted":1})" : "", "application/json");
  });
  route("/refused-port", [refused_port](const httplib::Request&, Response& response) {
    response.set_content(std::to_string(refused_port), "text/plain");
  });
}

}  // namespace

int main(int argc, char** argv) {
  std::string host = "127.0.0.1";
  std::string tls_cert;
  std::string tls_key;
  int port = -1;
  bool drips = false;
  const std::span<char*> args(argv, static_cast<std::size_t>(argc));
  for (std::size_t i = 1; i < args.size(); ++i) {
    const std::string_view name = args[i];
    const bool has_value = i + 1 < args.size();
    if (name == "--drip") {
      drips = true;
    } else if (name == "--port" && has_value) {
      port = std::atoi(args[++i]);
    } else if (name == "--host" && has_value) {
      host = args[++i];
    } else if (name == "--tls-cert" && has_value) {
      tls_cert = args[++i];
    } else if (name == "--tls-key" && has_value) {
      tls_key = args[++i];
    } else {
      port = -1;
      break;
    }
  }
  if (port < 0 || port > 65535 || tls_cert.empty() != tls_key.empty() ||
      (drips && !tls_cert.empty())) {
    std::cerr << kUsage;
    return 2;
  }
  const bool tls = !tls_cert.empty();

  if (drips) {
    const int listener = bound_socket(host, port, true, port);
    if (listener < 0) {
      std::cerr << "http-test-server: cannot listen on " << host << "\n";
      return 1;
    }
    std::cout << "http://" << host << ":" << port << std::endl;
    for (int client = 0; (client = ::accept(listener, nullptr, nullptr)) >= 0;) {
      std::thread(drip, client).detach();
    }
    return 1;
  }

  // Termination requests are taken by one thread, so that held requests can be released and
  // the server stopped in order. Every thread started from here on inherits the blocked set.
  sigset_t stop_signals;
  sigemptyset(&stop_signals);
  sigaddset(&stop_signals, SIGTERM);
  sigaddset(&stop_signals, SIGINT);
  pthread_sigmask(SIG_BLOCK, &stop_signals, nullptr);

  std::unique_ptr<httplib::Server> server =
      tls ? std::make_unique<httplib::SSLServer>(tls_cert.c_str(), tls_key.c_str())
          : std::make_unique<httplib::Server>();
  if (!server->is_valid()) {
    std::cerr << "http-test-server: cannot use the certificate or key\n";
    return 1;
  }
  // Held requests each keep a worker; leave plenty for the others.
  server->new_task_queue = [] { return new httplib::ThreadPool(32); };
  Hold hold;
  int refused_port = -1;
  const int refused = bound_socket(host, 0, false, refused_port);  // bound, never listening
  add_routes(*server, tls, hold, refused < 0 ? -1 : refused_port);
  port =
      port == 0 ? server->bind_to_any_port(host) : (server->bind_to_port(host, port) ? port : -1);
  if (port < 0) {
    std::cerr << "http-test-server: cannot listen on " << host << "\n";
    return 1;
  }
  std::cout << (tls ? "https://" : "http://") << host << ":" << port << std::endl;

  std::thread stopper([&server, &hold, &stop_signals] {
    int received = 0;
    sigwait(&stop_signals, &received);
    hold.stop();
    server->stop();
  });
  const bool served = server->listen_after_bind();
  if (!served) {
    kill(getpid(), SIGTERM);  // makes the stopper return
  }
  stopper.join();
  return served ? 0 : 1;
}
