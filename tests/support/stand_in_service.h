// Talking to the stand-in service from tests: an authorized session in one call, and what the
// service received.
#pragma once

#include <map>
#include <string>
#include <vector>

namespace brivanto_test {

// A token from auth.getToken, approved through the authorization page's form as the user's
// click does, and not yet traded. Throws std::runtime_error with the reason on failure.
std::string approved_token(const std::string& base_url);

// A fresh session key: an approved token traded with auth.getSession. Throws
// std::runtime_error with the reason on failure.
std::string new_session_key(const std::string& base_url);

// One track call the service accepted.
struct ReceivedCall {
  std::string session;
  long long received_at = 0;  // Unix seconds on the service's clock
  std::map<std::string, std::string> params;
};

struct ServiceHistory {
  std::vector<ReceivedCall> now_playing;
  std::vector<ReceivedCall> scrobbles;
};

// What the service has accepted, limited to `session` when it is not empty. Throws
// std::runtime_error when the history cannot be read.
ServiceHistory fetch_history(const std::string& base_url, const std::string& session = "");

}  // namespace brivanto_test
