// The exchange's steps over libcurl. A session holds the limits its requests share, a
// connection only names the server, and each request is a libcurl transfer (CurlRequest).
//
// As on Windows: proxy settings from the environment (libcurl's default), TLS peer and host
// name verification always on, no cookies, no automatic redirects, no content decoding,
// HTTP/1.1, the path as given (dot segments kept). The trust store is the system's, or the
// file named by SSL_CERT_FILE.
#include <curl/curl.h>

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>

#include "http/byte_units.h"
#include "http/curl_request_posix.h"
#include "http/http_steps.h"

namespace foo_brivanto {
namespace {

// Every handle given out is one of these; close_handle deletes it.
struct CurlHandle {
  CurlHandle() = default;
  virtual ~CurlHandle() = default;
  CurlHandle(const CurlHandle&) = delete;
  CurlHandle& operator=(const CurlHandle&) = delete;
};

struct Session final : CurlHandle {
  CurlSession shared;
};

struct Connection final : CurlHandle {
  Connection(CurlSession& owner, std::string name, std::uint16_t number)
      : session(owner), host(std::move(name)), port(number) {}
  CurlSession& session;
  std::string host;
  std::uint16_t port;
};

struct Request final : CurlHandle {
  explicit Request(CurlSession& session) : transfer(session) {}
  CurlRequest transfer;
};

// The object behind a handle that this file gave out as a T.
template <typename T>
T& as(HttpHandle handle) {
  return dynamic_cast<T&>(*static_cast<CurlHandle*>(handle));
}

class CurlSteps final : public HttpSteps {
 public:
  CurlSteps() : initialized_(curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK) {}

  HttpHandle open_session(const std::u16string& user_agent, const HttpTimeouts& timeouts) override {
    if (!initialized_) {
      return nullptr;
    }
    auto session = std::make_unique<Session>();
    session->shared.user_agent = narrow_to_low_bytes(user_agent);
    session->shared.timeouts = timeouts;
    session->shared.deadline =
        std::chrono::steady_clock::now() + std::chrono::milliseconds(timeouts.total_ms);
    return static_cast<CurlHandle*>(session.release());
  }

  bool out_of_time(HttpHandle session) override { return as<Session>(session).shared.out_of_time; }

  HttpHandle connect(HttpHandle session, const std::u16string& host, std::uint16_t port) override {
    return static_cast<CurlHandle*>(
        new Connection(as<Session>(session).shared, narrow_to_low_bytes(host), port));
  }

  HttpHandle open_request(HttpHandle connection, const std::u16string& verb,
                          const std::u16string& path, bool secure) override {
    const Connection& owner = as<Connection>(connection);
    auto request = std::make_unique<Request>(owner.session);
    if (!request->transfer.open(owner.host, owner.port, secure, narrow_to_low_bytes(verb), path)) {
      return nullptr;
    }
    return static_cast<CurlHandle*>(request.release());
  }

  bool send_request(HttpHandle request, const std::u16string& headers,
                    const std::string& body) override {
    return as<Request>(request).transfer.send(headers, body);
  }

  bool receive_response(HttpHandle request, ReplyHead& head) override {
    return as<Request>(request).transfer.receive(head);
  }

  BodyEnd read_body(HttpHandle request, std::string& body) override {
    return as<Request>(request).transfer.read_body(body);
  }

  void close_handle(HttpHandle handle) override { delete static_cast<CurlHandle*>(handle); }

 private:
  bool initialized_;
};

}  // namespace

// libcurl ends a transfer at the total limit by itself: the exchange runs on the caller's
// thread.
bool http_post(const std::u16string& host, std::uint16_t port, bool secure,
               const std::u16string& path, const std::string& body, std::string& reply,
               std::string& error, int& status, const HttpTimeouts& timeouts) {
  static CurlSteps steps;
  return http_exchange(steps, host, port, secure, path, body, reply, error, status, timeouts);
}

}  // namespace foo_brivanto
