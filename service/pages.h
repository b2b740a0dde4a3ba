// The service's HTML pages: the authorization page a user opens in the browser, its outcome
// pages, and the history of what was received. Every value shown is escaped: tokens, keys and
// track fields all come from clients. Pure functions; any thread.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "service/registry.h"

namespace brivanto_service {

// `text` with &, <, >, " and ' replaced by character references.
std::string html_escape(std::string_view text);

// Asks the user to allow the application; its Allow button posts `token` and `api_key` to
// /api/auth/allow.
std::string auth_page(std::string_view application, std::string_view api_key,
                      std::string_view token);

// Tells the user the application is allowed and to return to the player.
std::string allowed_page(std::string_view application);

// A page with a title and one paragraph, for refusals.
std::string message_page(std::string_view title, std::string_view text);

// The start page: what the service is and where to look.
std::string index_page();

// Every now-playing notice and scrobble, each as a table of its parameters.
std::string history_page(const std::vector<Received>& now_playing,
                         const std::vector<Received>& scrobbles);

}  // namespace brivanto_service
