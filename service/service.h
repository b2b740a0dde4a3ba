// The stand-in brivanto service as an object: an HTTP(S) server on 127.0.0.1 that answers the
// API, serves the authorization pages and shows what it received. The program
// brivanto-service is a thin shell around it, and tests run it in process the same way:
//
//   brivanto_service::Service service({});         // port 0: a free port
//   std::string error;
//   if (!service.start(error)) ...                  // bound and serving when it returns true
//   httplib::Client client(service.url());          // "http://127.0.0.1:<port>"
//   ...
//   service.stop();                                 // or let the destructor do it
//
// Endpoints:
//   POST /api/2.0        API calls, form-encoded (see api.h)
//   GET  /api/auth       ?api_key=...&token=... the page that asks the user to allow the
//                        application; with auto_approve, opening it allows at once
//   POST /api/auth/allow the page's Allow button (form fields api_key and token)
//   GET  /history        what was received, as an HTML page
//   GET  /history.json   {"now_playing":[E...],"scrobbles":[E...]} in arrival order, each E
//                        {"session":"<sk>","received_at":<unix seconds>,"params":{...every
//                        parameter as received...}}
//   GET  /               a start page
// Anything else, and every refused request, gets {"error":N,"message":"..."} with a 4xx status.
//
// start and stop are called from one thread; everything else may be called from any thread
// while the service runs (the registry guards itself).
#pragma once

#include <atomic>
#include <chrono>
#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <thread>

#include "service/registry.h"

namespace httplib {
class Server;
struct Response;
}  // namespace httplib

namespace brivanto_service {

// Bodies above this many bytes are refused with 413 (error 12) before they are read in full.
inline constexpr std::size_t kMaxRequestBytes = std::size_t{64} * 1024;

struct ServiceOptions {
  int port = 0;  // 0 picks a free port
  // Both set: serve https with this PEM certificate and private key.
  std::string tls_cert_file;
  std::string tls_key_file;
  // Opening the authorization page approves its token, as if Allow had been pressed.
  bool auto_approve = false;
  // Tokens are approved as they are issued: no authorization page needs a visit.
  bool approve_on_issue = false;
  // Pending and approved tokens at least this old are expired; 0 expires them at once.
  std::chrono::seconds token_ttl{3600};
  // Receives one line per request served, from the serving threads, possibly concurrently.
  std::function<void(const std::string&)> log;
};

class Service {
 public:
  explicit Service(ServiceOptions options);
  ~Service();
  Service(const Service&) = delete;
  Service& operator=(const Service&) = delete;

  // Binds 127.0.0.1 and starts serving on a thread of its own; connections are accepted from
  // the moment it returns true. False, with an English text in `error`, when the certificate
  // or key cannot be loaded or the port cannot be bound. Also makes the process ignore
  // SIGPIPE: the HTTP library writes to sockets without MSG_NOSIGNAL, and a client that hangs
  // up early must not end the process.
  bool start(std::string& error);

  // Stops accepting, finishes requests under way and joins the serving threads. Idle
  // keep-alive connections delay it by at most one second. Safe to call more than once.
  void stop();

  // "http://127.0.0.1:<port>" or "https://..."; empty before start.
  const std::string& url() const { return url_; }
  int port() const { return port_; }

  Registry& registry() { return registry_; }

 private:
  void add_routes();
  void add_api_routes();
  void add_authorization_routes();
  void add_history_routes();
  void add_handlers();
  void authorize(httplib::Response& res, const std::string& api_key, const std::string& token,
                 bool allow);
  void log(const std::string& line) const;

  ServiceOptions options_;
  Registry registry_;
  std::unique_ptr<httplib::Server> server_;
  std::thread listener_;
  std::atomic<bool> listener_ended_ = false;
  std::string url_;
  int port_ = 0;
};

}  // namespace brivanto_service
