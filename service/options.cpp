#include "service/options.h"

#include <charconv>
#include <cstdint>

#include "service/outage.h"

namespace brivanto_service {
namespace {

// A whole number in [0, max] in plain decimal, or nullopt.
std::optional<std::int64_t> parse_count(std::string_view text, std::int64_t max) {
  std::int64_t value = 0;
  const char* end = text.data() + text.size();
  const auto [ptr, ec] = std::from_chars(text.data(), end, value);
  if (text.empty() || ec != std::errc{} || ptr != end || value < 0 || value > max) {
    return std::nullopt;
  }
  return value;
}

}  // namespace

std::string usage() {
  return "usage: brivanto-service [--port N] [--tls-cert FILE --tls-key FILE] [--auto-approve]\n"
         "                        [--approve-on-issue] [--token-ttl SECONDS] [--outage MODE]\n"
         "                        [--control-port N]\n"
         "Serves the brivanto API on 127.0.0.1 and prints the URL it serves as its first line,\n"
         "then the URL of its outage control as its second.\n"
         "  --port N               port to listen on; 0 (the default) picks a free one\n"
         "  --tls-cert FILE        PEM certificate: serve https (needs --tls-key)\n"
         "  --tls-key FILE         PEM private key for --tls-cert\n"
         "  --auto-approve         opening the authorization page allows the application\n"
         "  --approve-on-issue     every token is allowed as it is issued (no browser needed)\n"
         "  --token-ttl SECONDS    age at which tokens expire (default 3600; 0: at once)\n"
         "  --outage MODE          start in this outage: " +
         outage_names() +
         "\n"
         "  --control-port N       port of the outage control; 0 (the default) picks a free one\n"
         "  --help                 print this text\n"
         "Stops on SIGINT or SIGTERM.\n";
}

std::optional<CommandLine> parse_command_line(const std::vector<std::string_view>& args,
                                              std::string& error) {
  CommandLine line;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string_view arg = args[i];
    const auto value = [&]() -> std::optional<std::string_view> {
      if (i + 1 >= args.size()) {
        error = "option " + std::string(arg) + " needs a value";
        return std::nullopt;
      }
      return args[++i];
    };
    if (arg == "--help" || arg == "-h") {
      line.help = true;
    } else if (arg == "--auto-approve") {
      line.options.auto_approve = true;
    } else if (arg == "--approve-on-issue") {
      line.options.approve_on_issue = true;
    } else if (arg == "--outage") {
      const auto text = value();
      if (!text)
        return std::nullopt;
      const auto outage = parse_outage(*text);
      if (!outage) {
        error =
            "option --outage takes one of " + outage_names() + ", not '" + std::string(*text) + "'";
        return std::nullopt;
      }
      line.options.outage = *outage;
    } else if (arg == "--port" || arg == "--control-port" || arg == "--token-ttl") {
      const auto text = value();
      if (!text)
        return std::nullopt;
      const bool port = arg != "--token-ttl";
      const auto number = parse_count(*text, port ? 65535 : std::int64_t{1} << 40);
      if (!number) {
        error = "option " + std::string(arg) + " takes " +
                (port ? "a port number from 0 to 65535" : "a number of seconds (0 or more)") +
                ", not '" + std::string(*text) + "'";
        return std::nullopt;
      }
      if (arg == "--port") {
        line.options.port = static_cast<int>(*number);
      } else if (port) {
        line.control_port = static_cast<int>(*number);
      } else {
        line.options.token_ttl = std::chrono::seconds(*number);
      }
    } else if (arg == "--tls-cert" || arg == "--tls-key") {
      const auto text = value();
      if (!text)
        return std::nullopt;
      if (text->empty()) {
        error = "option " + std::string(arg) + " needs a file name";
        return std::nullopt;
      }
      (arg == "--tls-cert" ? line.options.tls_cert_file : line.options.tls_key_file) = *text;
    } else {
      error = "unknown option '" + std::string(arg) + "'";
      return std::nullopt;
    }
  }
  if (line.options.tls_cert_file.empty() != line.options.tls_key_file.empty()) {
    error = "--tls-cert and --tls-key go together";
    return std::nullopt;
  }
  return line;
}

}  // namespace brivanto_service
