#include "service/serving.h"

#include <httplib.h>

#include <sys/socket.h>

#include <atomic>
#include <memory>

namespace brivanto_service {

int serve_on_loopback(httplib::Server& server, int port, std::thread& thread, std::string& error) {
  // The library's default also sets SO_REUSEPORT, which lets a second server bind a port that
  // is in use and share its connections; a taken port must be an error instead.
  server.set_socket_options([](socket_t sock) {
    int yes = 1;
    setsockopt(sock, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof(yes));
  });
  const int bound = port == 0                                ? server.bind_to_any_port("127.0.0.1")
                    : server.bind_to_port("127.0.0.1", port) ? port
                                                             : -1;
  if (bound <= 0) {
    error = "cannot listen on 127.0.0.1 port " + std::to_string(port);
    return 0;
  }
  // The library's stop() does nothing until its accept loop has started, so wait for that
  // here: a stop() right after this returns must not be lost.
  auto ended = std::make_shared<std::atomic<bool>>(false);
  thread = std::thread([&server, ended] {
    server.listen_after_bind();
    *ended = true;
  });
  while (!server.is_running() && !*ended)
    std::this_thread::yield();
  if (!server.is_running()) {
    thread.join();
    error = "the HTTP server on 127.0.0.1 port " + std::to_string(bound) + " did not start";
    return 0;
  }
  return bound;
}

void stop_serving(httplib::Server& server, std::thread& thread) {
  if (!thread.joinable())
    return;
  server.stop();
  thread.join();
}

}  // namespace brivanto_service
