// The stand-in player's command language: one command per line, "#" starts a comment, strings
// are double-quoted with \" and \\ as escapes. An argument written key=value (the key unquoted)
// is a field; any other argument is a word.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace fbplayer {

struct Command {
  std::string name;  // empty for a blank or comment-only line
  std::vector<std::string> words;
  std::vector<std::pair<std::string, std::string>> fields;
};

// Splits one line. False with a message in `error` when the quoting is broken.
bool parse_command(std::string_view line, Command& out, std::string& error);

// A finite decimal number, or nothing.
std::optional<double> parse_number(std::string_view text);

}  // namespace fbplayer
