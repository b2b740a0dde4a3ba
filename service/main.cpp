// brivanto-service: the stand-in brivanto web service as a program. Its first line of output is
// the URL it serves and its second the URL of its outage control (control.h), flushed at once,
// so that whoever started it can read where to connect; everything after that goes to
// standard error.
#include <pthread.h>

#include <csignal>
#include <cstdio>
#include <iostream>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "service/control.h"
#include "service/options.h"
#include "service/service.h"

int main(int argc, char** argv) {
  using brivanto_service::usage;
  const std::vector<std::string_view> args(argv + 1, argv + argc);
  std::string error;
  auto command_line = brivanto_service::parse_command_line(args, error);
  if (!command_line) {
    std::cerr << "brivanto-service: " << error << "\n" << usage();
    return 2;
  }
  if (command_line->help) {
    std::cout << usage();
    return 0;
  }

  // SIGINT and SIGTERM are taken by sigwait below; blocked before any thread starts, so that
  // every thread inherits the mask and none of them is interrupted.
  sigset_t stop_signals;
  sigemptyset(&stop_signals);
  sigaddset(&stop_signals, SIGINT);
  sigaddset(&stop_signals, SIGTERM);
  pthread_sigmask(SIG_BLOCK, &stop_signals, nullptr);

  static std::mutex log_mutex;
  command_line->options.log = [](const std::string& line) {
    const std::lock_guard lock(log_mutex);
    std::cerr << "brivanto-service: " << line << std::endl;
  };

  brivanto_service::Service service(command_line->options);
  if (!service.start(error)) {
    std::cerr << "brivanto-service: " << error << "\n";
    return 1;
  }
  brivanto_service::OutageControl control(service);
  if (!control.start(command_line->control_port, error)) {
    std::cerr << "brivanto-service: " << error << "\n";
    return 1;
  }
  std::cout << service.url() << "\n" << control.url() << std::endl;
  {
    const std::lock_guard lock(log_mutex);
    std::cerr << "brivanto-service: serving " << service.url()
              << (command_line->options.auto_approve ? " (auto-approve)" : "")
              << ", tokens expire after " << command_line->options.token_ttl.count() << " s"
              << ", outage " << brivanto_service::outage_name(service.outage())
              << ", outage control at " << control.url() << std::endl;
  }

  int signal_number = 0;
  sigwait(&stop_signals, &signal_number);
  {
    const std::lock_guard lock(log_mutex);
    std::cerr << "brivanto-service: stopping on signal " << signal_number << std::endl;
  }
  control.stop();
  service.stop();
  return 0;
}
