// CurlRequest: one request of the libcurl steps. libcurl runs a whole transfer at once, so each
// step drives it through a multi handle only as far as that step needs: send until the
// request has gone out, receive until the final reply's head is in, read_body to the end.
//
// Every wait is a curl_multi_poll bounded by the session's total limit and, once connected, by
// the step's per-wait limit (send or receive). Any socket event in a wait, that is any byte
// that moves, restarts the per-wait limit, as WinHTTP restarts it per byte received: counting
// only what libcurl has parsed would count a header line only once it is whole. Connecting,
// the TLS handshake included, is limited by libcurl's connect time-out.
#include "http/curl_request_posix.h"

#include <algorithm>
#include <cstdlib>
#include <string_view>
#include <utility>

#include "http/byte_units.h"

namespace foo_brivanto {
namespace {

// The path as the request line's target: a "/" in front when the path lacks one, and bytes
// that may not stand in a request line percent-escaped, so that no path (a Location from the
// server included) can break the request apart.
std::string request_target(std::u16string_view path) {
  constexpr std::string_view kHex = "0123456789ABCDEF";
  constexpr std::string_view kUnsafe = "\"<>\\^`{|}";
  std::string target = path.starts_with(u'/') ? "" : "/";
  for (const char c : narrow_to_low_bytes(path)) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte <= 0x20 || byte >= 0x7F || kUnsafe.find(c) != std::string_view::npos) {
      target += {'%', kHex[byte >> 4U], kHex[byte & 0x0FU]};
    } else {
      target += c;
    }
  }
  return target;
}

}  // namespace

CurlRequest::~CurlRequest() {
  if (added_) {
    curl_multi_remove_handle(multi_.get(), easy_.get());
  }
}

bool CurlRequest::open(const std::string& host, std::uint16_t port, bool secure,
                       const std::string& verb, const std::u16string& path) {
  CURL* easy = easy_.get();
  const std::unique_ptr<CURLU, decltype(&curl_url_cleanup)> host_check(curl_url(),
                                                                       &curl_url_cleanup);
  if (easy == nullptr || !multi_ || !host_check) {
    return false;
  }
  // A host that is no host name (such as "user@host") fails as one that does not resolve
  // does, when sending; checked on its own, it is never read as anything else within a URL.
  bad_host_ = curl_url_set(host_check.get(), CURLUPART_HOST, host.c_str(), 0) != CURLUE_OK;
  const std::string url = (secure ? "https://" : "http://") + host +
                          (port != 0 ? ":" + std::to_string(port) : "") + request_target(path);
  plain_get_ = verb == "GET";
  bool ok = true;
  const auto set = [&ok, easy](CURLoption option, auto value) {
    ok = ok && curl_easy_setopt(easy, option, value) == CURLE_OK;
  };
  set(CURLOPT_URL, url.c_str());
  set(CURLOPT_PATH_AS_IS, 1L);  // dot segments too go out as given
  set(plain_get_ ? CURLOPT_HTTPGET : CURLOPT_POST, 1L);
  // Any other verb, and a GET with a body, which libcurl would otherwise send as a POST.
  set(CURLOPT_CUSTOMREQUEST, verb == "POST" ? nullptr : verb.c_str());
  set(CURLOPT_PROTOCOLS_STR, "http,https");
  set(CURLOPT_HTTP_VERSION, static_cast<long>(CURL_HTTP_VERSION_1_1));
  set(CURLOPT_USERAGENT, session_.user_agent.c_str());
  set(CURLOPT_FOLLOWLOCATION, 0L);
  set(CURLOPT_NOSIGNAL, 1L);
  set(CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(session_.timeouts.connect_ms));
  set(CURLOPT_SSL_VERIFYPEER, 1L);
  set(CURLOPT_SSL_VERIFYHOST, 2L);
  // Read on every request: the variable is the standard way to name a trust store.
  // NOLINTNEXTLINE(concurrency-mt-unsafe): nothing in this program changes the environment
  if (const char* ca_file = std::getenv("SSL_CERT_FILE"); ca_file != nullptr && *ca_file != 0) {
    set(CURLOPT_CAINFO, ca_file);
  }
  set(CURLOPT_SUPPRESS_CONNECT_HEADERS, 1L);
  set(CURLOPT_HEADERFUNCTION, &CurlRequest::on_header);
  set(CURLOPT_HEADERDATA, this);
  set(CURLOPT_WRITEFUNCTION, &CurlRequest::on_body);
  set(CURLOPT_WRITEDATA, this);
  set(CURLOPT_PREREQFUNCTION, &CurlRequest::on_connected);
  set(CURLOPT_PREREQDATA, this);
  return ok;
}

bool CurlRequest::send(const std::u16string& headers, const std::string& body) {
  // The caller's header lines and, of libcurl's own, only Host, User-Agent and the body's
  // length: no Accept or Expect that the service was never sent.
  curl_slist* list = nullptr;
  bool ok = true;
  const auto append = [&list, &ok](const std::string& line) {
    curl_slist* longer = ok ? curl_slist_append(list, line.c_str()) : nullptr;
    ok = longer != nullptr;
    list = ok ? longer : list;
  };
  append("Accept:");
  append("Expect:");
  const std::string text = narrow_to_low_bytes(headers);
  for (std::size_t start = 0, end = 0; start < text.size(); start = end + 2) {
    end = std::min(text.find("\r\n", start), text.size());
    if (end > start) {
      append(text.substr(start, end - start));
    }
  }
  headers_.reset(list);
  CURL* easy = easy_.get();
  body_size_ = body.size();
  // Any request but a plain GET is given its body, even an empty one: without it libcurl
  // would read one from standard input.
  const bool with_body = !plain_get_ || !body.empty();
  if (bad_host_ || !ok || curl_easy_setopt(easy, CURLOPT_HTTPHEADER, headers_.get()) != CURLE_OK ||
      (with_body && (curl_easy_setopt(easy, CURLOPT_POSTFIELDSIZE_LARGE,
                                      static_cast<curl_off_t>(body.size())) != CURLE_OK ||
                     curl_easy_setopt(easy, CURLOPT_POSTFIELDS, body.data()) != CURLE_OK)) ||
      curl_multi_add_handle(multi_.get(), easy) != CURLM_OK) {
    return false;
  }
  added_ = true;
  const auto sent = [this] {
    long request_size = 0;
    curl_off_t uploaded = 0;
    curl_easy_getinfo(easy_.get(), CURLINFO_REQUEST_SIZE, &request_size);
    curl_easy_getinfo(easy_.get(), CURLINFO_SIZE_UPLOAD_T, &uploaded);
    return replying_ || (request_size > 0 && uploaded >= static_cast<curl_off_t>(body_size_));
  };
  pump(session_.timeouts.send_ms, sent);
  return sent();
}

bool CurlRequest::receive(ReplyHead& head) {
  pump(session_.timeouts.receive_ms, [this] { return head_ready_; });
  if (head_ready_) {
    head = head_;
  }
  return head_ready_;
}

BodyEnd CurlRequest::read_body(std::string& body) {
  pump(session_.timeouts.receive_ms, [] { return false; });
  body = std::move(body_);
  if (too_large_) {
    return BodyEnd::kTooLarge;
  }
  return result_ == CURLE_OK ? BodyEnd::kComplete : BodyEnd::kBrokenOff;
}

void CurlRequest::finish(CURLcode result) {
  finished_ = true;
  result_ = result;
}

// Drives the transfer until `done()` holds or the transfer ends: by itself, at the per-wait
// limit (`stall_ms` without a byte moving, once connected), or at the session's total limit.
template <typename Done>
void CurlRequest::pump(int stall_ms, Done done) {
  using std::chrono::milliseconds;
  while (!finished_ && !done()) {
    int running = 0;
    const CURLMcode performed = curl_multi_perform(multi_.get(), &running);
    if (failure_) {
      std::rethrow_exception(std::exchange(failure_, nullptr));
    }
    int queued = 0;
    while (const CURLMsg* message = curl_multi_info_read(multi_.get(), &queued)) {
      // NOLINTNEXTLINE(cppcoreguidelines-pro-type-union-access): libcurl's message type
      finish(message->data.result);  // CURLMSG_DONE, the only message there is
    }
    if (performed != CURLM_OK) {
      finish(CURLE_RECV_ERROR);
    }
    if (finished_ || done()) {
      return;
    }
    const Clock::time_point now = Clock::now();
    auto wait = std::chrono::duration_cast<milliseconds>(session_.deadline - now);
    if (wait.count() <= 0) {
      session_.out_of_time = true;
      finish(CURLE_OPERATION_TIMEDOUT);
      return;
    }
    if (connected_) {
      wait = std::min(wait, milliseconds(stall_ms) -
                                std::chrono::duration_cast<milliseconds>(now - last_progress_));
      if (wait.count() <= 0) {
        finish(CURLE_OPERATION_TIMEDOUT);
        return;
      }
    }
    int events = 0;
    if (curl_multi_poll(multi_.get(), nullptr, 0, static_cast<int>(wait.count()), &events) !=
        CURLM_OK) {
      finish(CURLE_RECV_ERROR);
    } else if (events > 0) {
      last_progress_ = Clock::now();
    }
  }
}

std::size_t CurlRequest::on_header(char* data, std::size_t size, std::size_t count, void* self) {
  auto& request = *static_cast<CurlRequest*>(self);
  const std::string_view line(data, size * count);
  request.replying_ = true;
  // The end of one reply's head; 1xx replies are followed by the real one.
  long code = 0;
  curl_easy_getinfo(request.easy_.get(), CURLINFO_RESPONSE_CODE, &code);
  if (line.find_first_not_of("\r\n") != std::string_view::npos || code < 200) {
    return line.size();
  }
  request.head_.status = static_cast<std::uint32_t>(code);
  curl_header* location = nullptr;
  try {
    if (curl_easy_header(request.easy_.get(), "Location", 0, CURLH_HEADER, -1, &location) ==
        CURLHE_OK) {
      request.head_.location = widen_bytes(location->value);
    }
  } catch (...) {
    request.failure_ = std::current_exception();
    return 0;
  }
  request.head_ready_ = true;
  return line.size();
}

std::size_t CurlRequest::on_body(char* data, std::size_t size, std::size_t count, void* self) {
  auto& request = *static_cast<CurlRequest*>(self);
  const std::size_t length = size * count;
  if (length > kMaxReplyBytes - request.body_.size()) {
    request.too_large_ = true;
    return 0;  // ends the transfer
  }
  try {
    request.body_.append(data, length);
  } catch (...) {
    request.failure_ = std::current_exception();
    return 0;
  }
  return length;
}

int CurlRequest::on_connected(void* self, char* /*remote_ip*/, char* /*local_ip*/,
                              int /*remote_port*/, int /*local_port*/) {
  static_cast<CurlRequest*>(self)->connected_ = true;
  static_cast<CurlRequest*>(self)->last_progress_ = Clock::now();
  return CURL_PREREQFUNC_OK;
}

}  // namespace foo_brivanto
