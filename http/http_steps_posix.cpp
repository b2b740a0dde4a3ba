// The exchange's steps over libcurl.
//
// libcurl runs a whole transfer at once, so each request drives its transfer through a multi
// handle only as far as the step at hand needs: send_request until the request has gone out,
// receive_response until the final reply's headers are in, query_data_available until body
// bytes are ready. Each wait is event-driven (curl_multi_poll) and ends at the stall limits:
// connecting is limited by libcurl, and once connected, each wait without progress while
// sending or receiving by the send or receive limit.
//
// Kept as on Windows: proxy settings from the environment (libcurl's default), TLS peer and
// host name verification always on, no cookies, no automatic redirects, no content decoding,
// HTTP/1.1, the path as given (unsafe bytes escaped, dot segments kept). The trust store is the
// system's, or the file named by SSL_CERT_FILE.
#include <curl/curl.h>

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <exception>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>

#include "http/http_steps.h"

namespace foo_brivanto {
namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

// The path as the request line's target, made the way WinHTTP makes it: a "/" in front when
// the path lacks one, and bytes that may not stand in a request line percent-escaped, so that
// no path can break the request apart.
std::string request_target(std::u16string_view path) {
  constexpr std::string_view kHex = "0123456789ABCDEF";
  constexpr std::string_view kUnsafe = "\"<>\\^`{|}";
  std::string target;
  if (!path.starts_with(u'/')) {
    target.push_back('/');
  }
  for (const char c : narrow(path)) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte <= 0x20 || byte >= 0x7F || kUnsafe.find(c) != std::string_view::npos) {
      target.push_back('%');
      target.push_back(kHex[byte >> 4U]);
      target.push_back(kHex[byte & 0x0FU]);
    } else {
      target.push_back(c);
    }
  }
  return target;
}

bool equals_ignoring_case(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) {
    return false;
  }
  for (std::size_t i = 0; i < a.size(); ++i) {
    const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; };
    if (lower(a[i]) != lower(b[i])) {
      return false;
    }
  }
  return true;
}

std::string_view trim(std::string_view text) {
  constexpr std::string_view kSpace = " \t\r\n";
  const std::size_t first = text.find_first_not_of(kSpace);
  if (first == std::string_view::npos) {
    return {};
  }
  return text.substr(first, text.find_last_not_of(kSpace) - first + 1);
}

struct EasyDeleter {
  void operator()(CURL* easy) const { curl_easy_cleanup(easy); }
};
struct MultiDeleter {
  void operator()(CURLM* multi) const { curl_multi_cleanup(multi); }
};
struct UrlDeleter {
  void operator()(CURLU* url) const { curl_url_cleanup(url); }
};
struct ListDeleter {
  void operator()(curl_slist* list) const { curl_slist_free_all(list); }
};
using Easy = std::unique_ptr<CURL, EasyDeleter>;
using Multi = std::unique_ptr<CURLM, MultiDeleter>;
using Url = std::unique_ptr<CURLU, UrlDeleter>;
using List = std::unique_ptr<curl_slist, ListDeleter>;

// Every handle given out is one of these; close_handle deletes it.
class CurlHandle {
 public:
  CurlHandle() = default;
  virtual ~CurlHandle() = default;
  CurlHandle(const CurlHandle&) = delete;
  CurlHandle& operator=(const CurlHandle&) = delete;
};

struct Session final : CurlHandle {
  std::string user_agent;
  HttpTimeouts timeouts{60000, 30000, 30000};  // WinHTTP's defaults, until set
};

struct Connection final : CurlHandle {
  std::string user_agent;
  HttpTimeouts timeouts{};
  std::string host;
  std::uint16_t port = 0;
};

class Request final : public CurlHandle {
 public:
  // Null when libcurl refuses the request's settings.
  static std::unique_ptr<Request> open(const Connection& connection, const std::u16string& verb,
                                       const std::u16string& path, bool secure);
  ~Request() override {
    if (added_) {
      curl_multi_remove_handle(multi_.get(), easy_.get());
    }
  }

  bool send(const std::u16string& headers, const std::string& body);
  bool receive() {
    stage_ = Stage::kReceiving;
    pump([this] { return final_headers_; });
    return final_headers_;
  }
  bool status(std::uint32_t& status) const {
    if (!final_headers_) {
      return false;
    }
    status = status_;
    return true;
  }
  bool location(std::u16string& location) const {
    if (!final_headers_ || !location_) {
      return false;
    }
    location = widen(*location_);
    return true;
  }
  bool data_available(std::size_t& available);
  std::size_t read(std::span<char> buffer);

 private:
  enum class Stage { kSending, kReceiving };

  Request() = default;

  static std::size_t on_header(char* data, std::size_t size, std::size_t count, void* self);
  static std::size_t on_body(char* data, std::size_t size, std::size_t count, void* self);
  static int on_connected(void* self, char* remote_ip, char* local_ip, int remote_port,
                          int local_port);

  bool request_sent() const;
  curl_off_t progress() const;
  // Drives the transfer until `done()` holds, the transfer ends, or a stall limit passes.
  template <typename Done>
  void pump(Done done);
  void finish(CURLcode result) {
    finished_ = true;
    result_ = result;
  }

  // libcurl's objects, in the order they must go: the transfer first.
  List headers_;
  std::string method_;
  Multi multi_;
  Easy easy_;
  HttpTimeouts timeouts_{};
  bool bad_host_ = false;
  std::size_t body_size_ = 0;
  bool added_ = false;

  Stage stage_ = Stage::kSending;
  bool connected_ = false;
  Clock::time_point last_progress_;
  curl_off_t last_progress_mark_ = -1;
  bool finished_ = false;
  CURLcode result_ = CURLE_OK;
  std::exception_ptr failure_;  // thrown inside a callback; rethrown once libcurl returns

  bool in_headers_ = false;
  bool final_headers_ = false;
  std::uint32_t status_ = 0;
  std::optional<std::string> location_;
  std::string body_;  // received, not yet read
};

std::unique_ptr<Request> Request::open(const Connection& connection, const std::u16string& verb,
                                       const std::u16string& path, bool secure) {
  std::unique_ptr<Request> request(new Request());
  request->easy_.reset(curl_easy_init());
  request->multi_.reset(curl_multi_init());
  if (!request->easy_ || !request->multi_) {
    return nullptr;
  }
  request->timeouts_ = connection.timeouts;

  // A host that is no host name (such as "user@host") fails like one that does not resolve:
  // when sending. Checked on its own, so that it is never read as anything else within a URL.
  const Url host_check(curl_url());
  if (!host_check) {
    return nullptr;
  }
  request->bad_host_ =
      curl_url_set(host_check.get(), CURLUPART_HOST, connection.host.c_str(), 0) != CURLUE_OK;
  if (request->bad_host_) {
    return request;
  }
  // Port 0 stands for the scheme's default port, as in WinHTTP.
  std::string url = secure ? "https://" : "http://";
  url += connection.host;
  if (connection.port != 0) {
    url += ":" + std::to_string(connection.port);
  }
  url += request_target(path);

  bool ok = true;
  CURL* easy = request->easy_.get();
  const auto set = [&ok, easy](CURLoption option, auto value) {
    ok = ok && curl_easy_setopt(easy, option, value) == CURLE_OK;
  };
  request->method_ = narrow(verb);
  set(CURLOPT_URL, url.c_str());
  set(CURLOPT_PATH_AS_IS, 1L);  // dot segments too go out as given
  if (request->method_ == "GET") {
    set(CURLOPT_HTTPGET, 1L);
  }
  if (request->method_ != "POST") {
    // Also a GET with a body, which libcurl would otherwise send as a POST.
    set(CURLOPT_CUSTOMREQUEST, request->method_.c_str());
  }
  set(CURLOPT_PROTOCOLS_STR, "http,https");
  set(CURLOPT_HTTP_VERSION, static_cast<long>(CURL_HTTP_VERSION_1_1));
  set(CURLOPT_USERAGENT, connection.user_agent.c_str());
  set(CURLOPT_FOLLOWLOCATION, 0L);
  set(CURLOPT_NOSIGNAL, 1L);
  set(CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(connection.timeouts.connect_ms));
  set(CURLOPT_SSL_VERIFYPEER, 1L);
  set(CURLOPT_SSL_VERIFYHOST, 2L);
  // Read on every request: the variable is the standard way to name a trust store.
  // NOLINTNEXTLINE(concurrency-mt-unsafe): nothing in this program changes the environment
  if (const char* ca_file = std::getenv("SSL_CERT_FILE"); ca_file != nullptr && *ca_file != 0) {
    set(CURLOPT_CAINFO, ca_file);
  }
  set(CURLOPT_SUPPRESS_CONNECT_HEADERS, 1L);
  set(CURLOPT_HEADERFUNCTION, &Request::on_header);
  set(CURLOPT_HEADERDATA, request.get());
  set(CURLOPT_WRITEFUNCTION, &Request::on_body);
  set(CURLOPT_WRITEDATA, request.get());
  set(CURLOPT_PREREQFUNCTION, &Request::on_connected);
  set(CURLOPT_PREREQDATA, request.get());
  if (!ok) {
    return nullptr;
  }
  return request;
}

bool Request::send(const std::u16string& headers, const std::string& body) {
  if (bad_host_) {
    return false;
  }
  // The caller's header lines; and none of libcurl's own beyond Host, User-Agent and the body's
  // length, as WinHTTP sends it.
  curl_slist* list = nullptr;
  const auto append = [&list](const std::string& line) {
    curl_slist* longer = curl_slist_append(list, line.c_str());
    if (longer == nullptr) {
      return false;
    }
    list = longer;
    return true;
  };
  bool ok = append("Accept:") && append("Expect:");
  const std::string text = narrow(headers);
  std::string_view rest = text;
  while (ok && !rest.empty()) {
    const std::size_t end = rest.find("\r\n");
    const std::string_view line = rest.substr(0, end);
    if (!line.empty()) {
      ok = append(std::string(line));
    }
    rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 2);
  }
  headers_.reset(list);
  if (!ok) {
    return false;
  }

  CURL* easy = easy_.get();
  body_size_ = body.size();
  if (curl_easy_setopt(easy, CURLOPT_HTTPHEADER, headers_.get()) != CURLE_OK) {
    return false;
  }
  // Without a body of its own libcurl would read one from standard input.
  if ((method_ != "GET" || !body.empty()) &&
      (curl_easy_setopt(easy, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(body.size())) !=
           CURLE_OK ||
       curl_easy_setopt(easy, CURLOPT_POSTFIELDS, body.data()) != CURLE_OK)) {
    return false;
  }
  if (curl_multi_add_handle(multi_.get(), easy) != CURLM_OK) {
    return false;
  }
  added_ = true;
  stage_ = Stage::kSending;
  pump([this] { return request_sent() || in_headers_; });
  return request_sent() || in_headers_ || final_headers_;
}

bool Request::data_available(std::size_t& available) {
  pump([this] { return !body_.empty(); });
  if (!body_.empty()) {
    available = body_.size();
    return true;
  }
  if (finished_ && result_ == CURLE_OK) {
    available = 0;
    return true;
  }
  return false;
}

std::size_t Request::read(std::span<char> buffer) {
  const std::size_t count = std::min(buffer.size(), body_.size());
  body_.copy(buffer.data(), count);
  body_.erase(0, count);
  return count;
}

bool Request::request_sent() const {
  long request_size = 0;
  curl_off_t uploaded = 0;
  curl_easy_getinfo(easy_.get(), CURLINFO_REQUEST_SIZE, &request_size);
  curl_easy_getinfo(easy_.get(), CURLINFO_SIZE_UPLOAD_T, &uploaded);
  return request_size > 0 && uploaded >= static_cast<curl_off_t>(body_size_);
}

curl_off_t Request::progress() const {
  long request_size = 0;
  long header_size = 0;
  curl_off_t uploaded = 0;
  curl_off_t downloaded = 0;
  curl_easy_getinfo(easy_.get(), CURLINFO_REQUEST_SIZE, &request_size);
  curl_easy_getinfo(easy_.get(), CURLINFO_HEADER_SIZE, &header_size);
  curl_easy_getinfo(easy_.get(), CURLINFO_SIZE_UPLOAD_T, &uploaded);
  curl_easy_getinfo(easy_.get(), CURLINFO_SIZE_DOWNLOAD_T, &downloaded);
  return request_size + header_size + uploaded + downloaded;
}

template <typename Done>
void Request::pump(Done done) {
  while (!finished_ && !done()) {
    int running = 0;
    const CURLMcode performed = curl_multi_perform(multi_.get(), &running);
    if (failure_) {
      std::rethrow_exception(std::exchange(failure_, nullptr));
    }
    if (performed != CURLM_OK) {
      finish(CURLE_RECV_ERROR);
      return;
    }
    int queued = 0;
    while (const CURLMsg* message = curl_multi_info_read(multi_.get(), &queued)) {
      if (message->msg == CURLMSG_DONE) {
        // NOLINTNEXTLINE(cppcoreguidelines-pro-type-union-access): libcurl's message type
        finish(message->data.result);
      }
    }
    if (finished_ || done()) {
      return;
    }

    // Connecting is libcurl's to limit; from then on each wait without progress is ours.
    int wait_ms = 1000;
    if (connected_) {
      const Clock::time_point now = Clock::now();
      if (const curl_off_t mark = progress(); mark != last_progress_mark_) {
        last_progress_mark_ = mark;
        last_progress_ = now;
      }
      const milliseconds limit(stage_ == Stage::kSending ? timeouts_.send_ms
                                                         : timeouts_.receive_ms);
      const auto idle = std::chrono::duration_cast<milliseconds>(now - last_progress_);
      if (idle >= limit) {
        finish(CURLE_OPERATION_TIMEDOUT);
        return;
      }
      wait_ms = static_cast<int>((limit - idle).count());
    }
    if (curl_multi_poll(multi_.get(), nullptr, 0, wait_ms, nullptr) != CURLM_OK) {
      finish(CURLE_RECV_ERROR);
      return;
    }
  }
}

std::size_t Request::on_header(char* data, std::size_t size, std::size_t count, void* self) {
  auto& request = *static_cast<Request*>(self);
  const std::size_t length = size * count;
  try {
    const std::string_view line(data, length);
    if (line.starts_with("HTTP/")) {
      request.in_headers_ = true;
      request.location_.reset();
    } else if (trim(line).empty()) {
      // The end of one reply's headers; 1xx replies are followed by the real one.
      long code = 0;
      curl_easy_getinfo(request.easy_.get(), CURLINFO_RESPONSE_CODE, &code);
      if (code >= 200) {
        request.final_headers_ = true;
        request.status_ = static_cast<std::uint32_t>(code);
      }
    } else if (const std::size_t colon = line.find(':');
               colon != std::string_view::npos && !request.location_ &&
               equals_ignoring_case(trim(line.substr(0, colon)), "Location")) {
      request.location_ = std::string(trim(line.substr(colon + 1)));
    }
    return length;
  } catch (...) {
    request.failure_ = std::current_exception();
    return 0;
  }
}

std::size_t Request::on_body(char* data, std::size_t size, std::size_t count, void* self) {
  auto& request = *static_cast<Request*>(self);
  const std::size_t length = size * count;
  try {
    request.body_.append(data, length);
    return length;
  } catch (...) {
    request.failure_ = std::current_exception();
    return 0;
  }
}

int Request::on_connected(void* self, char* /*remote_ip*/, char* /*local_ip*/, int /*remote_port*/,
                          int /*local_port*/) {
  auto& request = *static_cast<Request*>(self);
  request.connected_ = true;
  request.last_progress_ = Clock::now();
  return CURL_PREREQFUNC_OK;
}

// The object behind a handle that this file gave out as a T.
template <typename T>
T& as(HttpHandle handle) {
  return dynamic_cast<T&>(*static_cast<CurlHandle*>(handle));
}

class CurlSteps final : public HttpSteps {
 public:
  CurlSteps() : initialized_(curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK) {}

  HttpHandle open_session(const std::u16string& user_agent) override {
    if (!initialized_) {
      return nullptr;
    }
    auto session = std::make_unique<Session>();
    session->user_agent = narrow(user_agent);
    return static_cast<CurlHandle*>(session.release());
  }

  void set_timeouts(HttpHandle session, const HttpTimeouts& timeouts) override {
    as<Session>(session).timeouts = timeouts;
  }

  HttpHandle connect(HttpHandle session, const std::u16string& host, std::uint16_t port) override {
    const Session& owner = as<Session>(session);
    auto connection = std::make_unique<Connection>();
    connection->user_agent = owner.user_agent;
    connection->timeouts = owner.timeouts;
    connection->host = narrow(host);
    connection->port = port;
    return static_cast<CurlHandle*>(connection.release());
  }

  HttpHandle open_request(HttpHandle connection, const std::u16string& verb,
                          const std::u16string& path, bool secure) override {
    return static_cast<CurlHandle*>(
        Request::open(as<Connection>(connection), verb, path, secure).release());
  }

  bool send_request(HttpHandle request, const std::u16string& headers,
                    const std::string& body) override {
    return as<Request>(request).send(headers, body);
  }

  bool receive_response(HttpHandle request) override { return as<Request>(request).receive(); }

  bool query_status(HttpHandle request, std::uint32_t& status) override {
    return as<Request>(request).status(status);
  }

  bool query_location(HttpHandle request, std::u16string& location) override {
    return as<Request>(request).location(location);
  }

  bool query_data_available(HttpHandle request, std::size_t& available) override {
    return as<Request>(request).data_available(available);
  }

  bool read_data(HttpHandle request, std::span<char> buffer, std::size_t& read) override {
    read = as<Request>(request).read(buffer);
    return true;
  }

  void close_handle(HttpHandle handle) override { delete static_cast<CurlHandle*>(handle); }

 private:
  bool initialized_;
};

}  // namespace

HttpSteps& platform_http_steps() {
  static CurlSteps steps;
  return steps;
}

}  // namespace foo_brivanto
