// http-test-server: a scripted HTTP(S) server on loopback for the HTTP client's tests. Each
// path gives one kind of reply (see kUsage). It prints the URL it serves as the first line on
// standard output, then serves until SIGTERM or SIGINT, and releases held requests on the way
// out.
//
// A native Linux program, used by the tests of both builds: Windows test programs under Wine
// reach it on 127.0.0.1.
#include <arpa/inet.h>
#include <httplib.h>
#include <netinet/in.h>
#include <pthread.h>
#include <sys/socket.h>
#include <unistd.h>

#include <condition_variable>
#include <csignal>
#include <cstddef>
#include <cstdio>
#include <iostream>
#include <memory>
#include <mutex>
#include <span>
#include <string>
#include <string_view>
#include <thread>

namespace {

constexpr std::string_view kUsage = R"(usage: http-test-server --port N [--host ADDRESS]
                        [--tls-cert FILE --tls-key FILE]

Prints its URL (http://ADDRESS:PORT, or https:// with a certificate) as the first line on
standard output; --port 0 takes a free port. Serves, for any method:
  /empty                 200 with an empty body
  /error                 500 with a short text body
  /echo                  200; the body describes the request: "METHOD TARGET", "tls: yes|no",
                         each header as "Name: value", an empty line, then the request body
  /redirect/CODE?to=V    reply CODE with "Location: V" (V percent-decoded)
  /chain/N               302 to /chain/N-1; /chain/0 gives 200 "end of chain"
  /not-modified          304 without Location
  /chunked?pieces=N      200 with a chunked body: "piece 0\n" ... in N chunks (default 100)
  /truncated             announces 1000 bytes, sends the first 500 ("x"), then closes
  /stalled               announces 1000 bytes, sends the first 500 ("x"), then sends nothing
                         more until shutdown
  /hang                  accepts the request, reads no body and never answers; released at
                         shutdown
  /refused-port          200 with a port number on the same address on which connections are
                         refused: the server keeps it bound, and never listens on it
  /status/CODE/html/...  reply CODE with a small HTML page (a gateway's error page, say), for
                         any path after "html"
  /status/CODE/empty/... reply CODE with an empty body
  /barrier/N/...         holds each request until N requests wait at the same barrier, then
                         answers them all with 200 {"accepted":1}; shows that a client sends
                         them side by side. Released at shutdown
)";

constexpr std::size_t kTruncatedLength = 1000;
constexpr std::size_t kTruncatedSent = 500;

struct Options {
  std::string host = "127.0.0.1";
  int port = -1;
  std::string tls_cert;
  std::string tls_key;
};

bool parse_options(std::span<char*> args, Options& options) {
  for (std::size_t i = 1; i < args.size(); ++i) {
    const std::string_view name = args[i];
    if (i + 1 == args.size()) {
      return false;
    }
    const std::string value = args[++i];
    if (name == "--port") {
      try {
        options.port = std::stoi(value);
      } catch (const std::exception&) {
        return false;
      }
    } else if (name == "--host") {
      options.host = value;
    } else if (name == "--tls-cert") {
      options.tls_cert = value;
    } else if (name == "--tls-key") {
      options.tls_key = value;
    } else {
      return false;
    }
  }
  return options.port >= 0 && options.port <= 65535 &&
         options.tls_cert.empty() == options.tls_key.empty();
}

// Requests held by /hang and /stalled wait here until the server shuts down.
class Shutdown {
 public:
  void begin() {
    const std::lock_guard lock(mutex_);
    stopping_ = true;
    changed_.notify_all();
  }
  void wait() {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return stopping_; });
  }

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
  bool stopping_ = false;
};

// Holds requests until a given number of them wait together.
class Barrier {
 public:
  // Waits until `count` requests (this one included) have arrived; false at shutdown.
  bool arrive_and_wait(int count) {
    std::unique_lock lock(mutex_);
    const int generation = generation_;
    if (++waiting_ >= count) {
      waiting_ = 0;
      ++generation_;
      changed_.notify_all();
      return true;
    }
    changed_.wait(lock, [&] { return generation_ != generation || stopping_; });
    return generation_ != generation;
  }
  void release_all() {
    const std::lock_guard lock(mutex_);
    stopping_ = true;
    changed_.notify_all();
  }

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
  int waiting_ = 0;
  int generation_ = 0;
  bool stopping_ = false;
};

// A port on `host` that refuses connections as long as this object lives: bound, so no one
// else can take it, and not listening. -1 when none could be had.
class RefusedPort {
 public:
  explicit RefusedPort(const std::string& host) : socket_(::socket(AF_INET, SOCK_STREAM, 0)) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    socklen_t size = sizeof(address);
    if (socket_ < 0 || inet_pton(AF_INET, host.c_str(), &address.sin_addr) != 1 ||
        ::bind(socket_, reinterpret_cast<sockaddr*>(&address), size) != 0 ||
        getsockname(socket_, reinterpret_cast<sockaddr*>(&address), &size) != 0) {
      return;
    }
    port_ = ntohs(address.sin_port);
  }
  ~RefusedPort() {
    if (socket_ >= 0) {
      ::close(socket_);
    }
  }
  RefusedPort(const RefusedPort&) = delete;
  RefusedPort& operator=(const RefusedPort&) = delete;

  int port() const { return port_; }

 private:
  int socket_;
  int port_ = -1;
};

bool is_address_header(const std::string& name) {
  return name == "REMOTE_ADDR" || name == "REMOTE_PORT" || name == "LOCAL_ADDR" ||
         name == "LOCAL_PORT";
}

std::string describe(const httplib::Request& request, const std::string& body, bool tls) {
  std::string text = request.method + " " + request.target + "\n";
  text += tls ? "tls: yes\n" : "tls: no\n";
  for (const auto& [name, value] : request.headers) {
    if (!is_address_header(name)) {
      text.append(name).append(": ").append(value).append("\n");
    }
  }
  text += "\n";
  text += body;
  return text;
}

void add_routes(httplib::Server& server, bool tls, Shutdown& shutdown, Barrier& barrier,
                const RefusedPort& refused) {
  const auto route = [&server](const std::string& pattern,
                               const httplib::Server::Handler& handler) {
    server.Get(pattern, handler);
    server.Post(pattern, handler);
  };

  route("/empty",
        [](const httplib::Request&, httplib::Response& response) { response.status = 200; });
  route("/error", [](const httplib::Request&, httplib::Response& response) {
    response.status = 500;
    response.set_content("brivanto test server: internal error", "text/plain");
  });
  server.Get("/echo", [tls](const httplib::Request& request, httplib::Response& response) {
    response.set_content(describe(request, request.body, tls), "text/plain");
  });
  // Reading the body itself keeps cpp-httplib from parsing a form, which it refuses beyond 8 KiB.
  server.Post("/echo", [tls](const httplib::Request& request, httplib::Response& response,
                             const httplib::ContentReader& read) {
    std::string body;
    read([&body](const char* data, std::size_t length) {
      body.append(data, length);
      return true;
    });
    response.set_content(describe(request, body, tls), "text/plain");
  });
  route(R"(/redirect/(\d{3}))", [](const httplib::Request& request, httplib::Response& response) {
    response.status = std::stoi(request.matches[1]);
    response.set_header("Location", request.get_param_value("to"));
  });
  route(R"(/chain/(\d+))", [](const httplib::Request& request, httplib::Response& response) {
    const int remaining = std::stoi(request.matches[1]);
    if (remaining == 0) {
      response.set_content("end of chain", "text/plain");
      return;
    }
    response.status = 302;
    response.set_header("Location", "/chain/" + std::to_string(remaining - 1));
  });
  route("/not-modified",
        [](const httplib::Request&, httplib::Response& response) { response.status = 304; });
  route("/chunked", [](const httplib::Request& request, httplib::Response& response) {
    const int pieces =
        request.has_param("pieces") ? std::stoi(request.get_param_value("pieces")) : 100;
    response.set_chunked_content_provider(
        "text/plain", [pieces](std::size_t /*offset*/, httplib::DataSink& sink) {
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
  route("/truncated", [](const httplib::Request&, httplib::Response& response) {
    response.set_content_provider(
        kTruncatedLength, "text/plain",
        [](std::size_t /*offset*/, std::size_t /*length*/, httplib::DataSink& sink) {
          const std::string half(kTruncatedSent, 'x');
          sink.write(half.data(), half.size());
          return false;  // gives up: the server drops the connection
        });
  });
  route("/stalled", [&shutdown](const httplib::Request&, httplib::Response& response) {
    response.set_content_provider(
        kTruncatedLength, "text/plain",
        [&shutdown](std::size_t /*offset*/, std::size_t /*length*/, httplib::DataSink& sink) {
          const std::string half(kTruncatedSent, 'x');
          sink.write(half.data(), half.size());
          shutdown.wait();
          return false;
        });
  });
  const auto hang = [&shutdown](const httplib::Request&, httplib::Response& response) {
    shutdown.wait();
    response.status = 503;
  };
  server.Get("/hang", hang);
  // Takes the body's reader and never reads: a big body fills the connection and stalls.
  server.Post("/hang",
              [hang](const httplib::Request& request, httplib::Response& response,
                     const httplib::ContentReader& /*unread*/) { hang(request, response); });
  route(R"(/status/(\d{3})/(html|empty)(/.*)?)",
        [](const httplib::Request& request, httplib::Response& response) {
          response.status = std::stoi(request.matches[1]);
          if (request.matches[2] == "html") {
            response.set_content("<html><body><h1>" + std::string(request.matches[1]) +
                                     " from the test gateway</h1></body></html>",
                                 "text/html");
          }
        });
  route(R"(/barrier/(\d+)(/.*)?)",
        [&barrier](const httplib::Request& request, httplib::Response& response) {
          if (barrier.arrive_and_wait(std::stoi(request.matches[1]))) {
            response.set_content(R"({"accepted":1})", "application/json");
          } else {
            response.status = 503;
          }
        });
  route("/refused-port", [&refused](const httplib::Request&, httplib::Response& response) {
    response.set_content(std::to_string(refused.port()), "text/plain");
  });
}

}  // namespace

int main(int argc, char** argv) {
  Options options;
  if (!parse_options(std::span<char*>(argv, static_cast<std::size_t>(argc)), options)) {
    std::cerr << kUsage;
    return 2;
  }

  // Termination requests are taken by one thread, so that held requests can be released and
  // the server stopped in order. Every thread started from here on inherits the blocked set.
  sigset_t stop_signals;
  sigemptyset(&stop_signals);
  sigaddset(&stop_signals, SIGTERM);
  sigaddset(&stop_signals, SIGINT);
  pthread_sigmask(SIG_BLOCK, &stop_signals, nullptr);

  const bool tls = !options.tls_cert.empty();
  std::unique_ptr<httplib::Server> server;
  if (tls) {
    server =
        std::make_unique<httplib::SSLServer>(options.tls_cert.c_str(), options.tls_key.c_str());
  } else {
    server = std::make_unique<httplib::Server>();
  }
  if (!server->is_valid()) {
    std::cerr << "http-test-server: cannot use the certificate or key\n";
    return 1;
  }
  // Held requests each keep a worker; leave plenty for the others.
  server->new_task_queue = [] { return new httplib::ThreadPool(32); };
  Shutdown shutdown;
  const RefusedPort refused(options.host);
  Barrier barrier;
  add_routes(*server, tls, shutdown, barrier, refused);

  const int port = options.port == 0
                       ? server->bind_to_any_port(options.host)
                       : (server->bind_to_port(options.host, options.port) ? options.port : -1);
  if (port < 0) {
    std::cerr << "http-test-server: cannot listen on " << options.host << "\n";
    return 1;
  }
  std::cout << (tls ? "https://" : "http://") << options.host << ":" << port << std::endl;

  std::thread stopper([&server, &shutdown, &barrier, &stop_signals] {
    int received = 0;
    sigwait(&stop_signals, &received);
    shutdown.begin();
    barrier.release_all();
    server->stop();
  });
  const bool served = server->listen_after_bind();
  if (!served) {
    // Serving failed without a stop request; one makes the stopper return.
    kill(getpid(), SIGTERM);
  }
  stopper.join();
  return served ? 0 : 1;
}
