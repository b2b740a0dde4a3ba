// The run: the host loads the component and drives each boundary in the order the player does,
// from the entry to the unload. Each step checks what comes back across the boundary; a step
// whose outcome later steps need ends the run when it fails.
#pragma once

#include "host_api.h"
#include "network.h"
#include "track.h"

namespace host {

// What the run is given (see conformance_main.cpp).
struct Setup {
  Text component;       // the DLL, a Windows path
  Text authority;       // the test authority's certificate (DER), a Windows path
  Text tunnel_url;      // http://127.0.0.1:PORT, also the process's http_proxy
  Text browser_record;  // where the test's browser writes the URLs it is given, a Windows path
  Text profile_parent;  // the folder the player's profile folder is made in, a Windows path
  Text base_url;        // the service the DLL was built for, https://www.brivanto.com
  Text version;         // the component's version
};

class Drive {
 public:
  explicit Drive(const Setup& setup);
  Drive(const Drive&) = delete;
  Drive& operator=(const Drive&) = delete;
  ~Drive() = default;

  void run();
  // The component's console lines, when a failure needs them to be understood.
  void print_console();

 private:
  // conformance_start.cpp
  void prepare_profile();
  void load();
  void walk_factories();
  void read_component_version();
  void check_file_name();
  void round_trip_configuration();
  // Whether the configuration stores the switch on, the other records as in `before`.
  void check_keep_switch_stored(const Text& before);
  void start();
  // conformance_page.cpp
  void open_page();
  player::service_ptr_t<player::preferences_page_v3> page_identity();
  HWND open_instance(const player::service_ptr_t<player::preferences_page_v3>& page_v3,
                     player::preferences_page_instance::ptr& instance);
  void change_switches(player::preferences_page_instance* page, HWND window);
  void switch_on_keeping(player::preferences_page_instance* page, HWND window);
  void authorize(player::preferences_page_instance* page, HWND window);
  void close_page(player::preferences_page_instance::ptr& page, HWND window);
  // conformance_play.cpp
  void play_and_scrobble();
  void check_service_received();
  void quit_and_unload();
  void unload();
  // Playback of the tracks after the first: one starts, plays from second `from` to `to`, stops.
  void start_track(HostTrack* track);
  void play_seconds(int from, int to);
  void stop_track();
  // conformance_journal.cpp: kept scrobbles, with the page open
  void keep_while_down();
  void send_kept_when_back();
  int64_t check_kept_scrobble_received();
  void discard_kept();
  void keep_for_the_quit();
  void hang_kept_send();
  // The page's status line once it reads `text`; false when it does not within `seconds`.
  bool status_reads(const Text& text, DWORD seconds = 20);
  Text journal_folder() const { return Text(profile_) << "\\foo_brivanto"; }
  Text journal_file() const { return journal_folder() << "\\journal.bin"; }

  // Runs the main thread's business (the component's queued callbacks, window messages) until
  // done() holds or `seconds` have passed; `extra` is another handle worth waking up for.
  template <class Done>
  bool pump_until(Done done, DWORD seconds, HANDLE extra = nullptr) {
    return pump_until_ms(done, seconds * 1000, extra);
  }
  template <class Done>
  bool pump_until_ms(Done done, DWORD milliseconds, HANDLE extra = nullptr);
  // Waits for an unused console line that contains `text`, printed since the last mark; each
  // line answers one wait. Ends the run when none comes in time.
  // Returns the line's index.
  size_t expect_line(const char* text, DWORD seconds = 20);
  bool has_line(const char* text);
  void mark_lines() { mark_ = console_->line_count(); }
  Text get_config(const char* when);
  void set_config(const Text& bytes, const char* when);
  void click(HWND page, int id);

  const Setup& setup_;
  Tunnel tunnel_;
  HWND main_window_ = nullptr;
  HWND preferences_window_ = nullptr;
  HWND page_window_ = nullptr;  // the page's dialog while it is open, for dialog messages
  Text profile_;                // the player's profile folder, a Windows path (not ASCII)
  HostApi* api_;
  // The host's services, as long-lived as the player's; two console receivers, since the
  // component's output goes to every one the player has.
  Console* console_ = new Console("console_receiver (first)");
  Console* second_console_ = new Console("console_receiver (second)");
  MainThreadQueue* queue_ = new MainThreadQueue;
  PlaybackCallbacks* playback_ = new PlaybackCallbacks;
  Popups* popups_ = new Popups;
  PageCallback* page_callback_ = new PageCallback;
  HostAbort abort_;

  HMODULE module_ = nullptr;
  player::foobar2000_client* client_ = nullptr;
  player::service_ptr_t<player::componentversion> version_;
  player::service_ptr_t<player::component_installation_validator> validator_;
  player::service_ptr_t<player::initquit> initquit_;
  player::service_ptr_t<player::preferences_page> page_;

  player::preferences_page_instance::ptr journal_page_;  // open while the journal is driven

  size_t mark_ = 0;
  List<size_t> used_lines_;
  Text session_key_;               // from the configuration once authorized
  int32_t started_ = 0;            // Unix time at which the played track started, at least
  int32_t started_last_ = 0;       // ... and at most
  int32_t kept_started_ = 0;       // ... and the track whose scrobble was kept and sent later,
  int32_t kept_started_last_ = 0;  // at least and at most
  Text kept_status_;               // the status line while that scrobble waited
};

// The page's controls, by their ids in its dialog, and what the host reads of them
// (conformance_page.cpp).
constexpr int kAuthorizeButton = 1004;
constexpr int kScrobblingBox = 1005;
constexpr int kNowPlayingBox = 1006;
constexpr int kKeepBox = 1007;
constexpr int kJournalStatus = 1008;
constexpr int kDiscardButton = 1009;
constexpr uint32_t kResettable = player::preferences_page_instance::state_resettable;
constexpr uint32_t kChanged = player::preferences_page_instance::state_changed;
Text control_text(HWND page, int id);
bool checked(HWND page, int id);
bool enabled(HWND page, int id);
uint32_t state_of(player::preferences_page_instance* page);

// A track of 100 s with these tags (album may be null), to be played through the play
// callbacks; the names are its objects' in the report of references (conformance_play.cpp).
HostTrack* new_track(const char* handle_name, const char* container_name, const char* artist,
                     const char* title, const char* album);

// Reads a service pointer as another interface of the same object (single inheritance: the
// same address), after service_query said it is one.
template <class T>
player::service_ptr_t<T> as(const player::service_ptr_t<player::service_base>& service) {
  return player::service_ptr_t<T>(static_cast<T*>(service.get()));
}

// A record of the configuration as the player stores it for client version 80.
struct Record {
  player::GUID guid;
  Text data;
};
// The records of a configuration as get_config writes it; false when it is not whole records.
bool parse_records(const Text& bytes, List<Record>& records);
// The session key record of a configuration as get_config writes it; false when it has none.
bool stored_session_key(const Text& bytes, Text& key);
// The record of the switch that keeps scrobbles which could not be sent: its byte, 1 or 0; -1
// when the configuration has no such record or another form of it.
int stored_keep_switch(const Text& bytes);

// What the console lines and checks say of a GUID.
Text guid_text(const player::GUID& guid);

template <class Done>
bool Drive::pump_until_ms(Done done, DWORD milliseconds, HANDLE extra) {
  const DWORD start = now_ms();
  const DWORD limit = milliseconds;
  for (;;) {
    queue_->run_pending();
    Message message{};
    while (PeekMessageW(&message, nullptr, 0, 0, kPmRemove) != 0) {
      if (page_window_ != nullptr && IsDialogMessageW(page_window_, &message) != 0) {
        continue;
      }
      TranslateMessage(&message);
      DispatchMessageW(&message);
    }
    queue_->run_pending();
    if (done()) {
      return true;
    }
    const DWORD spent = now_ms() - start;
    if (spent >= limit) {
      return false;
    }
    const HANDLE handles[] = {wake_event(), extra};
    MsgWaitForMultipleObjects(extra != nullptr ? 2 : 1, handles, 0, limit - spent, kQsAllInput);
  }
}

}  // namespace host
