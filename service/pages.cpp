#include "service/pages.h"

#include <ctime>

namespace brivanto_service {
namespace {

std::string page(std::string_view title, std::string_view body) {
  std::string out =
      "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n<title>";
  out += html_escape(title);
  out +=
      " - brivanto</title>\n<style>body{font-family:sans-serif;max-width:60em;margin:2em auto}"
      "table{border-collapse:collapse}td,th{border:1px solid #999;padding:.2em .5em;"
      "text-align:left;vertical-align:top}</style>\n</head>\n<body>\n<h1>";
  out += html_escape(title);
  out += "</h1>\n";
  out += body;
  out += "</body>\n</html>\n";
  return out;
}

std::string utc_time(std::int64_t unix_seconds) {
  const auto t = static_cast<std::time_t>(unix_seconds);
  std::tm tm{};
  if (gmtime_r(&t, &tm) == nullptr)
    return std::to_string(unix_seconds);
  std::string out(32, '\0');
  out.resize(std::strftime(out.data(), out.size(), "%Y-%m-%d %H:%M:%S UTC", &tm));
  return out;
}

std::string history_table(std::string_view heading, const std::vector<Received>& entries) {
  std::string out =
      "<h2>" + html_escape(heading) + " (" + std::to_string(entries.size()) + ")</h2>\n";
  if (entries.empty())
    return out + "<p>None yet.</p>\n";
  out += "<table>\n<tr><th>#</th><th>Received</th><th>Session</th><th>Parameters</th></tr>\n";
  std::size_t number = 0;
  for (const Received& entry : entries) {
    out += "<tr><td>" + std::to_string(++number) + "</td><td>" + utc_time(entry.received_at) +
           "</td><td><code>" + html_escape(entry.session) + "</code></td><td><table>";
    for (const auto& [name, value] : entry.params) {
      out += "<tr><th>" + html_escape(name) + "</th><td>" + html_escape(value) + "</td></tr>";
    }
    out += "</table></td></tr>\n";
  }
  return out + "</table>\n";
}

}  // namespace

std::string html_escape(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (const char c : text) {
    switch (c) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '"':
        out += "&quot;";
        break;
      case '\'':
        out += "&#39;";
        break;
      default:
        out += c;
    }
  }
  return out;
}

std::string auth_page(std::string_view application, std::string_view api_key,
                      std::string_view token) {
  const std::string app = html_escape(application);
  return page("Allow " + std::string(application) + "?",
              "<p>The application <strong>" + app +
                  "</strong> asks to use your brivanto account: it will report the tracks you "
                  "play (now playing and scrobbles).</p>\n"
                  "<form method=\"post\" action=\"/api/auth/allow\">\n"
                  "<input type=\"hidden\" name=\"api_key\" value=\"" +
                  html_escape(api_key) + "\">\n<input type=\"hidden\" name=\"token\" value=\"" +
                  html_escape(token) + "\">\n<button type=\"submit\">Allow</button>\n</form>\n");
}

std::string allowed_page(std::string_view application) {
  return page("Done", "<p><strong>" + html_escape(application) +
                          "</strong> may now use your brivanto account. Return to the player to "
                          "complete the authorization.</p>\n");
}

std::string message_page(std::string_view title, std::string_view text) {
  return page(title, "<p>" + html_escape(text) + "</p>\n");
}

std::string index_page() {
  return page("brivanto stand-in service",
              "<p>A loopback stand-in for the brivanto web service. API calls: "
              "<code>POST /api/2.0</code>. Authorization page: "
              "<code>/api/auth?api_key=&hellip;&amp;token=&hellip;</code>.</p>\n"
              "<p>What was received: <a href=\"/history\">history</a> "
              "(<a href=\"/history.json\">JSON</a>).</p>\n");
}

std::string history_page(const std::vector<Received>& now_playing,
                         const std::vector<Received>& scrobbles) {
  return page("Received",
              history_table("Now playing", now_playing) + history_table("Scrobbles", scrobbles));
}

}  // namespace brivanto_service
