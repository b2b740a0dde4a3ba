// One request of the libcurl steps: a libcurl transfer, driven only as far as each step of the
// exchange needs (see http_steps_posix.cpp).
#pragma once

#include <curl/curl.h>

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <exception>
#include <memory>
#include <string>

#include "http/http_steps.h"

namespace foo_brivanto {

// What the requests of one session share: their limits, and whether the total limit has ended
// one of them.
struct CurlSession {
  std::string user_agent;
  HttpTimeouts timeouts{};
  std::chrono::steady_clock::time_point deadline;
  bool out_of_time = false;
};

class CurlRequest {
 public:
  explicit CurlRequest(CurlSession& session) : session_(session) {}
  ~CurlRequest();
  CurlRequest(const CurlRequest&) = delete;
  CurlRequest& operator=(const CurlRequest&) = delete;

  // Sets the transfer up; false when libcurl refuses. Port 0 is the scheme's default port.
  bool open(const std::string& host, std::uint16_t port, bool secure, const std::string& verb,
            const std::u16string& path);
  bool send(const std::u16string& headers, const std::string& body);
  bool receive(ReplyHead& head);
  BodyEnd read_body(std::string& body);

 private:
  using Clock = std::chrono::steady_clock;

  static std::size_t on_header(char* data, std::size_t size, std::size_t count, void* self);
  static std::size_t on_body(char* data, std::size_t size, std::size_t count, void* self);
  static int on_connected(void* self, char* remote_ip, char* local_ip, int remote_port,
                          int local_port);
  template <typename Done>
  void pump(int stall_ms, Done done);
  void finish(CURLcode result);

  CurlSession& session_;
  // libcurl's objects, in the order they must go: the transfer first.
  std::unique_ptr<curl_slist, decltype(&curl_slist_free_all)> headers_{nullptr,
                                                                       &curl_slist_free_all};
  std::unique_ptr<CURLM, decltype(&curl_multi_cleanup)> multi_{curl_multi_init(),
                                                               &curl_multi_cleanup};
  std::unique_ptr<CURL, decltype(&curl_easy_cleanup)> easy_{curl_easy_init(), &curl_easy_cleanup};
  bool plain_get_ = false;
  bool bad_host_ = false;
  bool added_ = false;
  std::size_t body_size_ = 0;

  bool connected_ = false;
  Clock::time_point last_progress_;  // the last byte that moved, once connected
  bool finished_ = false;
  CURLcode result_ = CURLE_OK;
  std::exception_ptr failure_;  // thrown inside a callback; rethrown once libcurl returns

  bool replying_ = false;  // a line of a reply has arrived
  bool head_ready_ = false;
  ReplyHead head_;
  std::string body_;
  bool too_large_ = false;
};

}  // namespace foo_brivanto
