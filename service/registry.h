// What the service remembers, in memory: the tokens it issued, the sessions it opened and
// every now-playing notice and scrobble it accepted.
//
// Thread-safe: the HTTP library serves requests from a pool of threads, and every operation
// here takes the registry's one lock for its whole duration, so each is atomic (two
// concurrent exchanges of one token cannot both succeed).
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <variant>
#include <vector>

#include "service/form.h"

namespace brivanto_service {

// A token's life: issued (pending), approved on the authorization page, then used by the one
// session it opens. A pending or approved token older than the time to live is expired.
enum class TokenState { kUnknown, kPending, kApproved, kExpired, kUsed };

// One accepted track call, with every parameter as received.
struct Received {
  std::string session;
  std::int64_t received_at = 0;  // Unix time, seconds
  Params params;
};

enum class TrackCall { kNowPlaying, kScrobble };

class Registry {
 public:
  using Clock = std::chrono::steady_clock;

  // With `approve_on_issue`, every token is approved as it is issued, as if its user had
  // allowed the application at once (for runs without a browser).
  explicit Registry(std::chrono::seconds token_ttl, bool approve_on_issue = false)
      : token_ttl_(token_ttl), approve_on_issue_(approve_on_issue) {}
  Registry(const Registry&) = delete;
  Registry& operator=(const Registry&) = delete;

  // A new token, pending unless approved on issue: 32 random lower-case hex characters.
  std::string issue_token();

  TokenState token_state(const std::string& token) const;

  // Approves a pending token that has not expired; gives the state after the call (an
  // approved token stays approved).
  TokenState approve(const std::string& token);

  // Trades an approved, unexpired token for a new session key and marks the token used.
  // Otherwise gives the token's state (kUnknown, kPending, kExpired or kUsed) and changes nothing.
  std::variant<std::string, TokenState> open_session(const std::string& token);

  bool has_session(const std::string& session_key) const;

  // Keeps an accepted call, stamped with the current time.
  void record(TrackCall call, const std::string& session_key, Params params);

  std::vector<Received> received(TrackCall call) const;

  // Waits until at least `count` calls of that kind have been accepted; false if `timeout`
  // passes first.
  bool wait_until_received(TrackCall call, std::size_t count,
                           std::chrono::milliseconds timeout) const;

  // The name every session reports as its user.
  static constexpr const char* kUserName = "listener";

 private:
  struct Token {
    Clock::time_point issued;
    bool approved = false;
    bool used = false;
  };

  TokenState state_of(const Token& token) const;  // lock held

  const std::chrono::seconds token_ttl_;
  const bool approve_on_issue_;
  mutable std::mutex mutex_;
  mutable std::condition_variable recorded_;
  std::map<std::string, Token> tokens_;
  std::map<std::string, std::string> sessions_;  // key -> user name
  std::vector<Received> now_playing_;
  std::vector<Received> scrobbles_;
};

// 32 lower-case hex characters from the system's cryptographic random source.
std::string random_hex_key();

}  // namespace brivanto_service
