// The outage switch of a running Service for other processes (scripts, the demo): a second
// HTTP server on a loopback port of its own, so that it answers while the API port refuses
// connections.
//
//   GET  /outage          {"outage":"<mode>","held":N}: the mode in force and the API calls
//                         that never-answer holds
//   POST /outage          switches to the mode named by the query (?mode=busy) or, without
//                         one, by the body (the name alone); replies as GET once the mode is
//                         in force. 400 with {"error":...} for an unknown mode; 500 when the
//                         API port cannot be bound again.
//
//   curl -s -X POST 'http://127.0.0.1:PORT/outage?mode=refuse'
//
// start and stop are called from one thread; the service must outlive the control.
#pragma once

#include <memory>
#include <string>
#include <thread>

#include "service/service.h"

namespace httplib {
class Server;
}  // namespace httplib

namespace brivanto_service {

class OutageControl {
 public:
  explicit OutageControl(Service& service);
  ~OutageControl();
  OutageControl(const OutageControl&) = delete;
  OutageControl& operator=(const OutageControl&) = delete;

  // Serves on 127.0.0.1 `port` (0: a free one). False with an English text in `error` when
  // the port cannot be bound.
  bool start(int port, std::string& error);
  void stop();

  // "http://127.0.0.1:<port>"; empty before start.
  const std::string& url() const { return url_; }

 private:
  Service& service_;
  std::unique_ptr<httplib::Server> server_;
  std::thread listener_;
  std::string url_;
};

}  // namespace brivanto_service
