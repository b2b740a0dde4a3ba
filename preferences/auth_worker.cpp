#include "preferences/auth_worker.h"

#include <exception>
#include <new>
#include <string>
#include <utility>

#include "api/api_client.h"
#include "api/service_identity.h"
#include "sdk/console.h"

namespace foo_brivanto {
namespace {

const char kStaleToken[] =
    "Токен устарел или уже использован.\r\n\r\n"
    "Нажмите Request authorization и пройдите авторизацию заново.";

std::string or_default(const std::string& error, const char* fallback) {
  return error.empty() ? std::string(fallback) : error;
}

std::string auth_url(const std::string& token) {
  return web_auth_url(std::string(service_base_url()), std::string(kApiKey), token);
}

}  // namespace

void classify_session_failure(const std::string& error, const std::string& token,
                              AuthResult& result) {
  if (error_contains(error, "not authorized") || error_contains(error, "visit web auth")) {
    result.ok = true;
    result.reopen_browser = true;
    result.text = auth_url(token);
  } else if (error_contains(error, "invalid token") || error_contains(error, "expired") ||
             error_contains(error, "used")) {
    result.clear_pending_token = true;
    result.text = kStaleToken;
  } else {
    result.text = or_default(error, "auth.getSession failed");
  }
}

bool error_contains(std::string_view text, std::string_view needle) {
  if (needle.size() > text.size()) {
    return false;
  }
  std::string lowered(text);
  for (char& c : lowered) {
    if (c >= 'A' && c <= 'Z') {
      c = static_cast<char>(c - 'A' + 'a');
    }
  }
  return lowered.find(needle) != std::string::npos;
}

std::unique_ptr<AuthResult> perform_auth_task(const AuthTask& task, const ApiClient& client) {
  auto result = std::make_unique<AuthResult>();
  result->action = static_cast<std::int32_t>(task.action);
  std::string error;
  switch (task.action) {
    case AuthAction::Request:
      if (auto token = client.get_token(error)) {
        result->ok = true;
        result->new_token = std::move(*token);
        result->text = auth_url(result->new_token);
        console::print("foo_brivanto: token received, opening " + result->text);
      } else {
        result->text = or_default(error, "auth.getToken failed");
      }
      break;
    case AuthAction::Complete:
      if (task.token.empty()) {
        result->clear_pending_token = true;
        result->text = "Сначала нажмите Request authorization — откроется браузер " +
                       std::string(service_host_name()) + ".";
      } else if (auto key = client.get_session(task.token, error)) {
        result->ok = true;
        result->new_session_key = std::move(*key);
      } else {
        classify_session_failure(error, task.token, *result);
      }
      break;
    default:  // Clear: nothing to ask the service; the dialog forgets both strings
      result->ok = true;
      break;
  }
  return result;
}

void run_auth_task(const AuthTask& task) noexcept {
  std::unique_ptr<AuthResult> result;
  const auto failed = [&task, &result](const char* reason) {
    try {
      result = std::make_unique<AuthResult>();
      result->action = static_cast<std::int32_t>(task.action);
      result->text = std::string("Authorization failed: ") + reason;
    } catch (...) {  // NOLINT(bugprone-empty-catch): not even a record to report it with
    }
  };
  try {
    const ApiClient client{std::string(service_base_url()), std::string(kApiKey),
                           std::string(kSharedSecret)};
    result = perform_auth_task(task, client);
  } catch (const std::bad_alloc&) {
    failed("out of memory");
  } catch (const std::exception& e) {
    failed(e.what());
  } catch (...) {
    failed("internal error");
  }
  if (!result) {
    return;
  }
  // Posting gives the record to the dialog; when the window is gone the post fails, and the
  // record stays here and is freed.
  if (post_message(task.window, kWmAuthResult, 0, reinterpret_cast<std::intptr_t>(result.get()))) {
    static_cast<void>(result.release());
  }
}

}  // namespace foo_brivanto
