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
// Anything else, and every refused request, gets {"error":N,"message":"..."} with a 4xx status;
// an outage's replies and internal errors have a 5xx status or 429.
//
// Outages (outage.h) make it misbehave on purpose: refuse connections, answer 503 or 429, hold
// API calls without an answer, or reject every session key. ServiceOptions::outage sets the
// mode at start, set_outage() switches it while the service runs, and OutageControl
// (control.h) offers the switch to other processes.
//
// start and stop are called from one thread; everything else may be called from any thread
// while the service runs (the registry guards itself).
#pragma once

#include <chrono>
#include <cstddef>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "service/form.h"
#include "service/outage.h"
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
  // The outage in force from the start; with kRefuse, start() still picks and reserves the
  // port (url() names it) but nothing listens on it.
  Outage outage = Outage::kNone;
  // Receives one line per request served, from the serving threads, possibly concurrently,
  // and one per outage switch.
  std::function<void(const std::string&)> log;
  // Called on a serving thread with the parameters of each API call that is about to be
  // answered as usual (no outage, or reject-session-key), before it is answered. It may block:
  // that call alone waits while the others are served, as when tests hold one scrobble to show
  // that the rest do not queue behind it. It must return before the service switches to refuse
  // or stops, which wait for the calls under way.
  std::function<void(const Params&)> before_answer;
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

  // Stops accepting, finishes requests under way and joins the serving threads. Requests
  // held by never-answer are answered 503 at once; idle keep-alive connections delay it by at
  // most one second. Safe to call more than once.
  void stop();

  // Switches the outage mode while the service runs; returns once the new mode is in force.
  // Entering refuse closes the API port: requests under way are answered first (held ones
  // with 503), and an idle keep-alive connection delays the return by at most one second.
  // Leaving refuse listens on the same port again. False, with an English text in `error`,
  // when the service is not running or the port cannot be bound again (another program took
  // it meanwhile; the mode then stays refuse).
  bool set_outage(Outage outage, std::string& error);
  Outage outage() const { return gate_.mode(); }

  // API calls that never-answer holds at this moment, and a wait until `count` are held
  // (false when `timeout` passes first): a test can act while a client's request hangs.
  std::size_t held_requests() const { return gate_.held(); }
  bool wait_until_held(std::size_t count, std::chrono::milliseconds timeout) const {
    return gate_.wait_until_held(count, timeout);
  }

  // "http://127.0.0.1:<port>" or "https://..."; empty before start.
  // Both stay the same through outages.
  const std::string& url() const { return url_; }
  int port() const { return port_; }

  Registry& registry() { return registry_; }

 private:
  // Serves the API on `port` (0: a free one); the port, or 0 with `error` set. port_mutex_ held.
  int open_port(int port, std::string& error);
  // Stops serving it and waits for the serving threads; port_mutex_ held.
  void close_port();
  void add_routes();
  void add_api_routes();
  void add_authorization_routes();
  void add_history_routes();
  void add_handlers();
  void authorize(httplib::Response& res, const std::string& api_key, const std::string& token,
                 bool allow);
  void log(const std::string& line) const;
  bool tls() const;

  ServiceOptions options_;
  Registry registry_;
  OutageGate gate_;
  // Held by start, stop and set_outage while they open or close the port.
  std::mutex port_mutex_;
  bool running_ = false;                     // between a successful start() and stop()
  std::unique_ptr<httplib::Server> server_;  // null while the port is closed
  std::thread listener_;
  std::string url_;
  int port_ = 0;
};

}  // namespace brivanto_service
