#include "service/service.h"

#include <httplib.h>

#include <algorithm>
#include <cctype>
#include <csignal>
#include <nlohmann/json.hpp>
#include <utility>

#include "service/api.h"
#include "service/form.h"
#include "service/pages.h"
#include "service/serving.h"

namespace brivanto_service {
namespace {

using Json = nlohmann::ordered_json;

constexpr const char* kJson = "application/json; charset=utf-8";
constexpr const char* kHtml = "text/html; charset=utf-8";

constexpr std::size_t kServingThreads = 32;

void send(httplib::Response& res, const Reply& reply) {
  res.status = reply.status;
  res.set_content(reply.body, kJson);
}

void send_page(httplib::Response& res, int status, const std::string& html) {
  res.status = status;
  res.set_content(html, kHtml);
}

// True for "application/x-www-form-urlencoded", with or without parameters such as a charset.
bool is_form_content_type(std::string content_type) {
  std::transform(content_type.begin(), content_type.end(), content_type.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  const std::string media = content_type.substr(0, content_type.find(';'));
  const auto last = media.find_last_not_of(" \t");
  return media.substr(0, last == std::string::npos ? 0 : last + 1) ==
         "application/x-www-form-urlencoded";
}

// The pattern of a route for both forms of request target: the path alone, and the absolute
// URL, which an HTTP/1.1 server must accept too and which Wine's WinHTTP sends even inside a
// proxy's tunnel.
std::string route(const std::string& path_pattern) {
  return R"((?:https?://[^/]+)?)" + path_pattern;
}

Json history_json(const std::vector<Received>& entries) {
  Json list = Json::array();
  for (const Received& entry : entries) {
    list.push_back(Json{{"session", entry.session},
                        {"received_at", entry.received_at},
                        {"params", Json(entry.params)}});
  }
  return list;
}

// The JSON error for statuses the library sets on its own (unknown path, oversized or
// unparsable request).
Reply library_error(const httplib::Request& req, int status) {
  switch (status) {
    case 404:
      return error_reply(status, ApiError::kMalformedRequest,
                         "Not found: " + req.method + " " + req.path);
    case 413:
    case 414:
      return error_reply(status, ApiError::kRequestTooLarge,
                         "Request too large: at most " + std::to_string(kMaxRequestBytes) +
                             " bytes of body are accepted");
    default:
      return error_reply(status, ApiError::kMalformedRequest, "Malformed request");
  }
}

}  // namespace

Service::Service(ServiceOptions options)
    : options_(std::move(options)),
      registry_(options_.token_ttl, options_.approve_on_issue),
      gate_(options_.outage) {}

Service::~Service() {
  stop();
}

void Service::log(const std::string& line) const {
  if (options_.log)
    options_.log(line);
}

bool Service::start(std::string& error) {
  const std::lock_guard lock(port_mutex_);
  if (running_ || server_) {
    error = "the service is already started";
    return false;
  }
  std::signal(SIGPIPE, SIG_IGN);
  const int port = open_port(options_.port, error);
  if (port == 0)
    return false;
  port_ = port;
  url_ = std::string(tls() ? "https" : "http") + "://127.0.0.1:" + std::to_string(port);
  running_ = true;
  if (options_.outage == Outage::kRefuse)
    close_port();
  return true;
}

void Service::stop() {
  gate_.close();  // answers what never-answer holds, so that the serving threads can end
  const std::lock_guard lock(port_mutex_);
  running_ = false;
  close_port();
}

bool Service::set_outage(Outage outage, std::string& error) {
  const std::lock_guard lock(port_mutex_);
  if (!running_) {
    error = "the service is not running";
    return false;
  }
  // Held requests are released before the port closes: closing waits for them.
  log("outage: " + std::string(outage_name(outage)));
  gate_.set(outage);
  if (outage == Outage::kRefuse) {
    close_port();
    return true;
  }
  if (server_)
    return true;
  if (open_port(port_, error) == 0) {
    gate_.set(Outage::kRefuse);
    log("outage: refuse (" + error + ")");
    return false;
  }
  return true;
}

bool Service::tls() const {
  return !options_.tls_cert_file.empty() || !options_.tls_key_file.empty();
}

int Service::open_port(int port, std::string& error) {
  if (tls()) {
    server_ = std::make_unique<httplib::SSLServer>(options_.tls_cert_file.c_str(),
                                                   options_.tls_key_file.c_str());
    if (!server_->is_valid()) {
      error = "cannot load the TLS certificate '" + options_.tls_cert_file + "' and key '" +
              options_.tls_key_file + "'";
      server_.reset();
      return 0;
    }
  } else {
    server_ = std::make_unique<httplib::Server>();
  }
  add_routes();
  const int bound = serve_on_loopback(*server_, port, listener_, error);
  if (bound == 0)
    server_.reset();
  return bound;
}

void Service::close_port() {
  if (!server_)
    return;
  stop_serving(*server_, listener_);
  server_.reset();
}

void Service::add_routes() {
  httplib::Server& server = *server_;
  server.set_payload_max_length(kMaxRequestBytes);
  // How long a connection may wait for each request, its first included: 32-bit Wine on a
  // busy machine takes over a second after the TLS handshake to send it, and the service must
  // not close the connection under it. (Stopping waits this long on a connection left idle.)
  server.set_keep_alive_timeout(10);
  // Room for requests that never-answer holds beside those it serves.
  server.new_task_queue = [] { return new httplib::ThreadPool(kServingThreads); };
  add_api_routes();
  add_authorization_routes();
  add_history_routes();
  add_handlers();
}

void Service::add_api_routes() {
  httplib::Server& server = *server_;
  server.Post(route(R"(/api/2\.0)"), [this](const httplib::Request& req, httplib::Response& res,
                                            const httplib::ContentReader& read) {
    // Read the whole body whatever it is, so that the connection stays usable; the library
    // stops at the payload limit and sets 413 itself.
    std::string body;
    const bool complete = req.is_multipart_form_data()
                              ? read([](const httplib::MultipartFormData&) { return true; },
                                     [](const char*, std::size_t) { return true; })
                              : read([&body](const char* data, std::size_t size) {
                                  body.append(data, size);
                                  return true;
                                });
    if (!complete)
      return;

    const Outage outage = gate_.admit();
    if (outage == Outage::kUnavailable || outage == Outage::kRefuse) {
      send(res, unavailable_reply());
      return;
    }
    if (outage == Outage::kBusy) {
      send(res, busy_reply());
      return;
    }
    Reply reply;
    if (!is_form_content_type(req.get_header_value("Content-Type"))) {
      reply = error_reply(415, ApiError::kMalformedRequest,
                          "Malformed request: the body must be "
                          "application/x-www-form-urlencoded");
    } else if (!req.params.empty()) {
      reply = error_reply(400, ApiError::kMalformedRequest,
                          "Malformed request: parameters belong in the body, not the URL");
    } else {
      std::string why;
      const auto params = decode_form(body, why);
      if (params && options_.before_answer)
        options_.before_answer(*params);
      const SessionKeys keys =
          outage == Outage::kRejectSessionKey ? SessionKeys::kAllRejected : SessionKeys::kChecked;
      reply = params ? call_method(registry_, *params, keys)
                     : error_reply(400, ApiError::kMalformedRequest, "Malformed request: " + why);
    }
    send(res, reply);
  });

  server.Get(route(R"(/api/2\.0)"), [](const httplib::Request&, httplib::Response& res) {
    send(res, error_reply(405, ApiError::kMalformedRequest,
                          "Malformed request: API calls are POST requests"));
  });
}

// The authorization page and its Allow button share one decision.
void Service::authorize(httplib::Response& res, const std::string& api_key,
                        const std::string& token, bool allow) {
  if (api_key.empty() || token.empty()) {
    send_page(res, 400, message_page("Bad request", "The address lacks an api_key or a token."));
    return;
  }
  if (api_key != kApiKey) {
    send_page(res, 403, message_page("Unknown application", "No application has this API key."));
    return;
  }
  TokenState state = registry_.token_state(token);
  if (state == TokenState::kPending && allow)
    state = registry_.approve(token);
  switch (state) {
    case TokenState::kUnknown:
      send_page(res, 404, message_page("Unknown token", "This token was never issued."));
      return;
    case TokenState::kExpired:
      send_page(res, 410,
                message_page("Token expired",
                             "This token has expired. Start the authorization again in the "
                             "player."));
      return;
    case TokenState::kUsed:
      send_page(res, 410,
                message_page("Token already used",
                             "This token has already been traded for a session. Start the "
                             "authorization again in the player."));
      return;
    case TokenState::kPending:
      send_page(res, 200, auth_page(kApplicationName, api_key, token));
      return;
    case TokenState::kApproved:
      send_page(res, 200, allowed_page(kApplicationName));
      return;
  }
}

void Service::add_authorization_routes() {
  httplib::Server& server = *server_;
  server.Get(route("/api/auth"), [this](const httplib::Request& req, httplib::Response& res) {
    authorize(res, req.get_param_value("api_key"), req.get_param_value("token"),
              options_.auto_approve);
  });

  server.Post(
      route("/api/auth/allow"), [this](const httplib::Request& req, httplib::Response& res) {
        std::string why;
        const auto fields = decode_form(req.body, why);
        if (!fields) {
          send_page(res, 400, message_page("Bad request", "The form could not be read: " + why));
          return;
        }
        const auto field = [&](const char* name) {
          const auto it = fields->find(name);
          return it == fields->end() ? std::string() : it->second;
        };
        authorize(res, field("api_key"), field("token"), true);
      });
}

void Service::add_history_routes() {
  httplib::Server& server = *server_;
  server.Get(route("/history"), [this](const httplib::Request&, httplib::Response& res) {
    send_page(res, 200,
              history_page(registry_.received(TrackCall::kNowPlaying),
                           registry_.received(TrackCall::kScrobble)));
  });

  server.Get(route(R"(/history\.json)"), [this](const httplib::Request&, httplib::Response& res) {
    const Json history{{"now_playing", history_json(registry_.received(TrackCall::kNowPlaying))},
                       {"scrobbles", history_json(registry_.received(TrackCall::kScrobble))}};
    res.set_content(history.dump(), kJson);
  });

  server.Get(route("/"), [](const httplib::Request&, httplib::Response& res) {
    send_page(res, 200, index_page());
  });
}

// Replies for what no route answers, for exceptions, and the log line of every request.
void Service::add_handlers() {
  httplib::Server& server = *server_;
  server.set_error_handler(
      httplib::Server::HandlerWithResponse([](const httplib::Request& req, httplib::Response& res) {
        if (!res.body.empty())
          return httplib::Server::HandlerResponse::Unhandled;  // ours
        send(res, library_error(req, res.status));
        return httplib::Server::HandlerResponse::Handled;
      }));

  server.set_exception_handler(
      [this](const httplib::Request& req, httplib::Response& res, const std::exception_ptr& ep) {
        std::string what = "unknown exception";
        try {
          std::rethrow_exception(ep);
        } catch (const std::exception& e) {
          what = e.what();
        } catch (...) {
        }
        log("internal error on " + req.method + " " + req.path + ": " + what);
        send(res, error_reply(500, ApiError::kServiceUnavailable, "Internal error: " + what));
      });

  server.set_logger([this](const httplib::Request& req, const httplib::Response& res) {
    std::string line = req.method + " " + req.path + " -> " + std::to_string(res.status);
    if (res.get_header_value("Content-Type") == kJson && res.body.size() <= 200) {
      line += " " + res.body;
    }
    log(line);
  });
}

}  // namespace brivanto_service
