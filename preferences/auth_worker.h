// The authorization worker: the network half of a press of the authorization button, on a
// thread of its own. It talks to the service, fills an AuthResult and posts it to the
// preferences dialog as WM_AUTH_RESULT; the dialog applies it on the main thread. The worker
// never touches the settings, the dialog or its controls.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "preferences/window.h"

namespace foo_brivanto {

class ApiClient;

enum class AuthAction : std::int32_t { Request = 0, Complete = 1, Clear = 2 };

// What one press hands to the worker, by value.
struct AuthTask {
  AuthAction action = AuthAction::Request;
  std::string token;  // the pending token at the press; empty when there is none
  WindowHandle window = kNoWindow;
};

// The outcome, for the dialog. Ownership travels with the posted message.
struct AuthResult {
  std::int32_t action = 0;
  bool ok = false;
  bool reopen_browser = false;       // the token is not approved yet: show its page again
  bool clear_pending_token = false;  // the token can no longer be used
  std::string text;  // the message to show when !ok; the URL to open when the browser opens
  std::string new_token;
  std::string new_session_key;
};

// The needle (lower case) occurs in the text, ASCII letters of the text compared without case.
bool error_contains(std::string_view text, std::string_view needle);

// The outcome of a Complete whose auth.getSession failed with `error`: the token is not
// approved yet (the browser is to open its page again), or it can no longer be used (the
// pending token is to be dropped), or something else went wrong.
void classify_session_failure(const std::string& error, const std::string& token,
                              AuthResult& result);

// Does the work of `task` with `client` and gives the outcome. Blocks for the one request it
// makes at most; never throws for the service's or the network's failures.
std::unique_ptr<AuthResult> perform_auth_task(const AuthTask& task, const ApiClient& client);

// The worker thread's body: performs the task against the component's service and posts the
// outcome to the task's window, or frees it when that window is gone (a page opened since has
// another handle, so it never receives the outcome of a press on a closed one). Anything thrown
// inside becomes a failed outcome with a short text.
void run_auth_task(const AuthTask& task) noexcept;

}  // namespace foo_brivanto
