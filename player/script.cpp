#include "player/script.h"

#include <cmath>
#include <cstdlib>

namespace fbplayer {
namespace {

bool is_space(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

}  // namespace

bool parse_command(std::string_view line, Command& out, std::string& error) {
  out = Command{};
  std::size_t i = 0;
  bool first = true;
  for (;;) {
    while (i < line.size() && is_space(line[i])) {
      ++i;
    }
    if (i == line.size() || line[i] == '#') {
      return true;
    }
    std::string token;
    std::optional<std::string> key;  // set at the first unquoted "=" before any quote
    bool quoted = false;
    while (i < line.size() && !is_space(line[i])) {
      const char c = line[i++];
      if (c == '"') {
        quoted = true;
        for (;;) {
          if (i == line.size()) {
            error = "unterminated string";
            return false;
          }
          const char q = line[i++];
          if (q == '"') {
            break;
          }
          if (q == '\\') {
            if (i == line.size() || (line[i] != '"' && line[i] != '\\')) {
              error = R"(unknown escape in string (only \" and \\ exist))";
              return false;
            }
            token.push_back(line[i++]);
          } else {
            token.push_back(q);
          }
        }
      } else if (c == '=' && !quoted && !key && !token.empty() && !first) {
        key = std::move(token);
        token.clear();
      } else {
        token.push_back(c);
      }
    }
    if (first) {
      out.name = std::move(token);
      first = false;
    } else if (key) {
      out.fields.emplace_back(std::move(*key), std::move(token));
    } else {
      out.words.push_back(std::move(token));
    }
  }
}

std::optional<double> parse_number(std::string_view text) {
  const std::string copy(text);
  if (copy.empty()) {
    return std::nullopt;
  }
  char* end = nullptr;
  const double value = std::strtod(copy.c_str(), &end);
  if (end != copy.c_str() + copy.size() || !std::isfinite(value)) {
    return std::nullopt;
  }
  return value;
}

}  // namespace fbplayer
