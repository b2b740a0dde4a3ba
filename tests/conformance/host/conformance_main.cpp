// The conformance host: a stand-in for the player, built by clang with the player's own ABI,
// that loads the shipped component library and drives every boundary between the two.
//
// It takes its setting from the environment (see tests/conformance/CMakeLists.txt):
//   BRIVANTO_CONFORMANCE_COMPONENT  the library (a Windows path)
//   BRIVANTO_CONFORMANCE_AUTHORITY  the test authority's certificate, DER (a Windows path)
//   BRIVANTO_BROWSER_RECORD         the file the test's browser appends URLs to (a Unix path)
//   BRIVANTO_CONFORMANCE_PROFILE    the folder in which the host makes the player's profile
//                                   folder (a Windows or Unix path)
//   http_proxy                      the tunnel fixture, http://127.0.0.1:PORT, which WinHTTP
//                                   takes as the default proxy of the component's requests
// and exits 0 when every check held, 1 when one failed, 4 on a crash.
#include "drive.h"

#ifndef BRIVANTO_BASE_URL
#error "BRIVANTO_BASE_URL: the service the library talks to"
#endif
#ifndef BRIVANTO_VERSION
#error "BRIVANTO_VERSION: the component's version"
#endif

namespace host {
namespace {

Drive* g_drive = nullptr;

void print_console() {
  if (g_drive != nullptr) {
    g_drive->print_console();
  }
}

// A crash anywhere in the process, the component's threads included, is the run's failure:
// reported with the module it happened in, instead of Wine's debugger.
LONG WINAPI on_crash(ExceptionPointers* exception) {
  const ExceptionRecord& record = *exception->record;
  HMODULE module = nullptr;
  wchar_t name[260] = {};
  if (GetModuleHandleExW(6, record.address, &module) != 0) {
    GetModuleFileNameW(module, name, 260);
  }
  const uintptr_t offset =
      reinterpret_cast<uintptr_t>(record.address) - reinterpret_cast<uintptr_t>(module);
  fail(Text("crash: exception 0x")
       << hex(record.code, 8) << " at " << from_wide(name) << "+0x"
       << hex(module != nullptr ? offset : 0) << " on thread " << GetCurrentThreadId()
       << " (main thread " << main_thread_id() << ")");
  print_console();
  ExitProcess(4);
}

// A Windows path from one of the forms the test hands over.
Text windows_path(const Text& path) {
  Text result = path.starts_with("/") ? Text("Z:") << path : path;
  Text converted;
  for (size_t i = 0; i < result.size(); ++i) {
    converted.append(result[i] == '/' ? "\\" : &result.c_str()[i], 1);
  }
  return converted;
}

Text required(const wchar_t* name) {
  Text value = environment(name);
  if (value.empty()) {
    fatal(Text("the environment variable ") << from_wide(name) << " is not set");
  }
  return value;
}

}  // namespace

void Drive::run() {
  out(Text("conformance: ") << (sizeof(void*) == 8 ? "x64" : "x86") << " host, component "
                            << setup_.component);
  if (!tunnel_.valid()) {
    fatal(Text("http_proxy is not the tunnel's address: ") << setup_.tunnel_url);
  }
  Text error;
  if (!trust_test_authority(setup_.authority, error)) {
    fatal(error);
  }
  const Text proxy = default_proxy();
  if (proxy != tunnel_.address()) {
    fatal(Text("WinHTTP's default proxy is \"")
          << proxy << "\", not the tunnel " << tunnel_.address()
          << ": the component's requests would not reach the stand-in service");
  }
  Text reply;
  if (!tunnel_.command("POST", "/forward", reply)) {
    fatal(Text("the tunnel does not answer: ") << reply);
  }

  prepare_profile();
  load();
  walk_factories();
  read_component_version();
  check_file_name();
  round_trip_configuration();
  start();
  open_page();
  play_and_scrobble();
  check_service_received();
  keep_while_down();
  send_kept_when_back();
  discard_kept();
  keep_for_the_quit();
  quit_and_unload();
  distrust_test_authority();

  out("== the whole run");
  // Every receiver has every line, and each is the component's.
  const size_t lines = console_->line_count();
  check(second_console_->line_count() == lines,
        "the second console receiver did not get every line");
  for (size_t i = 0; i < lines && i < second_console_->line_count(); ++i) {
    check(console_->line(i) == second_console_->line(i),
          "the console receivers got different lines");
    check(console_->line(i).starts_with("foo_brivanto: "),
          Text("a console line without the component's prefix: ") << console_->line(i));
  }
  const char* const api_slots[] = {
      "service_enum_find_class",  "service_enum_create",  "service_enum_get_count",
      "get_main_window",          "assert_main_thread",   "is_main_thread",
      "is_shutting_down",         "get_profile_path",     "is_initializing",
      "is_portable_mode_enabled", "is_quiet_mode_enabled"};
  Text calls("foobar2000_api calls by the component:");
  for (int slot = 0; slot < 11; ++slot) {
    if (api_->calls()[slot] != 0) {
      calls << " " << api_slots[slot] << " " << api_->calls()[slot] << ";";
    }
  }
  out(calls);
  out(Text("console lines: ") << lines << ", of which printed off the main thread: "
                              << console_->off_main_thread() << "; main-thread callbacks run: "
                              << queue_->ran() << " (queued off the main thread: "
                              << queue_->queued_off_main_thread() << ")");
  check(report_references(), "references the component took were not all given back");
}

}  // namespace host

extern "C" void host_main() {
  using host::Text;
  host::wake_event();  // also marks this thread as the main thread
  SetUnhandledExceptionFilter(host::on_crash);
  host::set_failure_context(host::print_console);

  host::Setup setup;
  setup.component = host::windows_path(host::required(L"BRIVANTO_CONFORMANCE_COMPONENT"));
  setup.authority = host::windows_path(host::required(L"BRIVANTO_CONFORMANCE_AUTHORITY"));
  setup.browser_record = host::windows_path(host::required(L"BRIVANTO_BROWSER_RECORD"));
  setup.profile_parent = host::windows_path(host::required(L"BRIVANTO_CONFORMANCE_PROFILE"));
  setup.tunnel_url = host::required(L"http_proxy");
  setup.base_url = BRIVANTO_BASE_URL;
  setup.version = BRIVANTO_VERSION;
  if (!setup.component.contains("\\foo_brivanto.dll")) {
    host::fatal("the component's file must be foo_brivanto.dll");
  }
  wchar_t* record = host::to_wide(setup.browser_record);
  DeleteFileW(record);  // what an earlier run's browser was given
  delete[] record;

  auto* drive = new host::Drive(setup);
  host::g_drive = drive;
  drive->run();
  const int failures = host::failures();
  host::out(failures == 0 ? Text("conformance: passed")
                          : Text("conformance: FAILED, ") << failures << " failures");
  if (failures != 0) {
    drive->print_console();
  }
  ExitProcess(failures == 0 ? 0 : 1);
}
