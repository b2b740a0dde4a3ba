#include "service/registry.h"

#include <openssl/rand.h>

#include <array>
#include <stdexcept>
#include <string_view>

namespace brivanto_service {

std::string random_hex_key() {
  std::array<unsigned char, 16> bytes{};
  if (RAND_bytes(bytes.data(), static_cast<int>(bytes.size())) != 1) {
    throw std::runtime_error("no random bytes from OpenSSL");
  }
  static constexpr std::string_view kHex = "0123456789abcdef";
  std::string out;
  for (const unsigned char b : bytes) {
    out += kHex[b >> 4U];
    out += kHex[b & 0x0FU];
  }
  return out;
}

std::string Registry::issue_token() {
  std::string token = random_hex_key();
  const std::lock_guard lock(mutex_);
  tokens_[token] = Token{Clock::now(), approve_on_issue_};
  return token;
}

TokenState Registry::state_of(const Token& token) const {
  if (token.used)
    return TokenState::kUsed;
  // At time to live 0 every token is expired as soon as it is issued.
  if (Clock::now() - token.issued >= token_ttl_)
    return TokenState::kExpired;
  return token.approved ? TokenState::kApproved : TokenState::kPending;
}

TokenState Registry::token_state(const std::string& token) const {
  const std::lock_guard lock(mutex_);
  const auto it = tokens_.find(token);
  return it == tokens_.end() ? TokenState::kUnknown : state_of(it->second);
}

TokenState Registry::approve(const std::string& token) {
  const std::lock_guard lock(mutex_);
  const auto it = tokens_.find(token);
  if (it == tokens_.end())
    return TokenState::kUnknown;
  const TokenState state = state_of(it->second);
  if (state != TokenState::kPending)
    return state;
  it->second.approved = true;
  return TokenState::kApproved;
}

std::variant<std::string, TokenState> Registry::open_session(const std::string& token) {
  std::string key = random_hex_key();
  const std::lock_guard lock(mutex_);
  const auto it = tokens_.find(token);
  if (it == tokens_.end())
    return TokenState::kUnknown;
  const TokenState state = state_of(it->second);
  if (state != TokenState::kApproved)
    return state;
  it->second.used = true;
  sessions_.emplace(key, kUserName);
  return key;
}

bool Registry::has_session(const std::string& session_key) const {
  const std::lock_guard lock(mutex_);
  return sessions_.contains(session_key);
}

void Registry::record(TrackCall call, const std::string& session_key, Params params) {
  const auto now = std::chrono::duration_cast<std::chrono::seconds>(
      std::chrono::system_clock::now().time_since_epoch());
  Received entry{session_key, now.count(), std::move(params)};
  {
    const std::lock_guard lock(mutex_);
    (call == TrackCall::kNowPlaying ? now_playing_ : scrobbles_).push_back(std::move(entry));
  }
  recorded_.notify_all();
}

bool Registry::wait_until_received(TrackCall call, std::size_t count,
                                   std::chrono::milliseconds timeout) const {
  std::unique_lock lock(mutex_);
  const auto& list = call == TrackCall::kNowPlaying ? now_playing_ : scrobbles_;
  return recorded_.wait_for(lock, timeout, [&] { return list.size() >= count; });
}

std::vector<Received> Registry::received(TrackCall call) const {
  const std::lock_guard lock(mutex_);
  return call == TrackCall::kNowPlaying ? now_playing_ : scrobbles_;
}

}  // namespace brivanto_service
