#include "service/control.h"

#include <httplib.h>

#include <nlohmann/json.hpp>

#include "service/serving.h"

namespace brivanto_service {
namespace {

using Json = nlohmann::ordered_json;

constexpr const char* kJson = "application/json; charset=utf-8";

void reply(httplib::Response& res, int status, const Json& body) {
  res.status = status;
  res.set_content(body.dump(), kJson);
}

Json state(const Service& service) {
  return Json{{"outage", outage_name(service.outage())}, {"held", service.held_requests()}};
}

// The name with surrounding white space (a body written by echo ends in a line feed) removed.
std::string trimmed(const std::string& text) {
  const auto first = text.find_first_not_of(" \t\r\n");
  if (first == std::string::npos)
    return "";
  return text.substr(first, text.find_last_not_of(" \t\r\n") - first + 1);
}

}  // namespace

OutageControl::OutageControl(Service& service) : service_(service) {}

OutageControl::~OutageControl() {
  stop();
}

bool OutageControl::start(int port, std::string& error) {
  if (server_) {
    error = "the outage control is already started";
    return false;
  }
  server_ = std::make_unique<httplib::Server>();
  httplib::Server& server = *server_;
  server.set_keep_alive_timeout(1);
  server.Get("/outage", [this](const httplib::Request&, httplib::Response& res) {
    reply(res, 200, state(service_));
  });
  server.Post("/outage", [this](const httplib::Request& req, httplib::Response& res) {
    const std::string name =
        trimmed(req.has_param("mode") ? req.get_param_value("mode") : req.body);
    const auto outage = parse_outage(name);
    if (!outage) {
      reply(res, 400,
            Json{{"error", "unknown outage mode '" + name + "'; one of " + outage_names()}});
      return;
    }
    std::string why;
    if (!service_.set_outage(*outage, why)) {
      reply(res, 500, Json{{"error", why}});
      return;
    }
    reply(res, 200, state(service_));
  });

  const int bound = serve_on_loopback(server, port, listener_, error);
  if (bound == 0) {
    error += " for the outage control";
    server_.reset();
    return false;
  }
  url_ = "http://127.0.0.1:" + std::to_string(bound);
  return true;
}

void OutageControl::stop() {
  if (server_)
    stop_serving(*server_, listener_);
}
}  // namespace brivanto_service
