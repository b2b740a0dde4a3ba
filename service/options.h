// The command line of brivanto-service. Pure functions; any thread.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "service/service.h"

namespace brivanto_service {

struct CommandLine {
  ServiceOptions options;
  int control_port = 0;  // of the outage control (control.h); 0 picks a free one
  bool help = false;     // --help: print the usage and exit successfully
};

// Parses the arguments after the program name. Gives nullopt with an English text in `error`
// for an unknown option, a missing or malformed value, or only one of --tls-cert and --tls-key.
std::optional<CommandLine> parse_command_line(const std::vector<std::string_view>& args,
                                              std::string& error);

// The usage text, several lines ending in a line feed.
std::string usage();

}  // namespace brivanto_service
