// The service's outages: how it misbehaves when a test or the demo tells it to, so that clients
// can be watched riding one out.
//
//   none                 every request is served as usual
//   refuse               nothing listens on the API port: connections are refused (the port
//                        is the same one when the outage ends)
//   unavailable          API calls get 503 {"error":16,"message":"Service temporarily unavailable"}
//   busy                 API calls get 429 {"error":29,"message":"Rate limit exceeded"}
//   never-answer         API calls are held without a reply until the mode changes, then
//                        answered as the new mode says (503 if it is refuse), or until the
//                        service stops (503)
//   reject-session-key   every track call (now playing, scrobble) gets 403
//                        {"error":6,"message":"Invalid session key"}; authorization works
//
// "API calls" are the requests to /api/2.0. The pages (authorization, history) stay served in
// every mode but refuse, so that the history can be watched during an outage.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>

namespace brivanto_service {

enum class Outage { kNone, kRefuse, kUnavailable, kBusy, kNeverAnswer, kRejectSessionKey };

// The mode's name in the list above.
std::string_view outage_name(Outage outage);

// The mode with that name, or nullopt.
std::optional<Outage> parse_outage(std::string_view name);

// Every name, separated by ", " (for messages).
std::string outage_names();

// The mode in force, and the requests held by never-answer. Thread-safe.
class OutageGate {
 public:
  explicit OutageGate(Outage initial) : mode_(initial) {}

  Outage mode() const;

  // Changes the mode; requests held under never-answer are released when it ends.
  void set(Outage mode);

  // Called by each API call before it is answered: holds it while the mode is never-answer
  // (until the mode changes or close() is called), then gives the mode to answer it by. After
  // close() that is kUnavailable: a service that stops answers what it still holds with 503.
  Outage admit();

  // Releases every held request and holds no more: the service is stopping.
  void close();

  // The number of requests held at this moment.
  std::size_t held() const;

  // Waits until at least `count` requests are held; false if `timeout` passes first.
  bool wait_until_held(std::size_t count, std::chrono::milliseconds timeout) const;

 private:
  mutable std::mutex mutex_;
  mutable std::condition_variable changed_;
  Outage mode_;
  bool closed_ = false;
  std::size_t held_ = 0;
};

}  // namespace brivanto_service
