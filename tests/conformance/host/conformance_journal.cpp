// Kept scrobbles as the player's user meets them, with the preferences page open: a scrobble
// kept while the service is out of reach, the page's status line saying so, the scrobble sent
// once an exchange succeeds again, exactly once and with its track's own start, and Discard,
// whose Yes/No question the host answers as the user would, by a click on a button of the
// message box.
#include "drive.h"
#include "json.h"

namespace host {
namespace {

// The track whose scrobble is kept while the service is out of reach and sent later.
const char kKeptArtist[] = "ДДТ";
const char kKeptTitle[] = "Что такое осень";
const char kKeptAlbum[] = "Актриса Весна";
// The track played once the service is back, whose scrobble is then kept and discarded.
const char kBackArtist[] = "Наутилус Помпилиус";
const char kBackTitle[] = "Крылья";
// The track whose scrobble still waits when the player quits.
const char kQuitArtist[] = "Сплин";
const char kQuitTitle[] = "Выхода нет";

Text described(const char* artist, const char* title, const char* album) {
  Text text = Text(artist) << " - " << title;
  return album != nullptr ? text << " (" << album << ")" : text;
}

// "7 Dec 2026 14:03": a Unix time in the system's local time, as the page names the moment
// at which the oldest waiting scrobble's track started.
Text local_time_text(int64_t unix_seconds) {
  static const char* const kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                        "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  // FILETIME counts 100 ns from 1601.
  const uint64_t ticks = (static_cast<uint64_t>(unix_seconds) + 11644473600ULL) * 10000000ULL;
  const FileTime utc{static_cast<DWORD>(ticks & 0xffffffffU), static_cast<DWORD>(ticks >> 32U)};
  FileTime local{};
  SystemTime fields{};
  if (FileTimeToLocalFileTime(&utc, &local) == 0 || FileTimeToSystemTime(&local, &fields) == 0 ||
      fields.month < 1 || fields.month > 12) {
    return "(no local time)";
  }
  Text text;
  text << fields.day << " " << kMonths[fields.month - 1] << " " << fields.year << " "
       << (fields.hour < 10 ? "0" : "") << fields.hour << ":" << (fields.minute < 10 ? "0" : "")
       << fields.minute;
  return text;
}

// Whether local time is off UTC at that moment: else a page that named the moment in UTC
// would pass for one that names it in local time (the test sets TZ for the run).
bool local_differs_from_utc(int64_t unix_seconds) {
  const uint64_t ticks = (static_cast<uint64_t>(unix_seconds) + 11644473600ULL) * 10000000ULL;
  const FileTime utc{static_cast<DWORD>(ticks & 0xffffffffU), static_cast<DWORD>(ticks >> 32U)};
  FileTime local{};
  return FileTimeToLocalFileTime(&utc, &local) != 0 &&
         (local.low != utc.low || local.high != utc.high);
}

Text waiting_text(int64_t oldest) {
  return Text("1 scrobble waiting, the oldest from ") << local_time_text(oldest);
}

int64_t number(const Text& text) {
  int64_t value = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    value = value * 10 + (text[i] - '0');
  }
  return value;
}

// A question the component asks in a message box, as the host saw it, and the button the host
// presses to answer it.
struct Question {
  int answer = kIdNo;
  int asked = 0;  // message boxes set up
  HWND box = nullptr;
  HWND owner = nullptr;
  Text title;
  Text text;
  bool yes_and_no = false;
  int default_button = 0;  // the button that Enter presses
};
Question* g_question = nullptr;
HHOOK g_hook = nullptr;

// Each message that a window of the main thread has handled: a message box, once its dialog
// is set up (WM_INITDIALOG), is read and answered by a click on the chosen button, posted as a
// button tells its dialog of a click. The box's own loop runs inside the click on Discard and
// finds the answer waiting as soon as it starts.
LRESULT WINAPI on_window_message(int code, WPARAM wparam, LPARAM lparam) {
  // NOLINTNEXTLINE(performance-no-int-to-ptr): the system hands the message's address so
  const auto* message = reinterpret_cast<const HandledMessage*>(lparam);
  if (code == kHcAction && g_question != nullptr && message->message == kWmInitDialog &&
      message->window != g_question->box) {
    HWND window = message->window;
    wchar_t name[32] = {};
    GetClassNameW(window, name, 32);
    if (from_wide(name) == "#32770" &&
        (static_cast<DWORD>(GetWindowLongW(window, kGwlStyle)) & kWsChild) == 0) {
      Question& question = *g_question;
      ++question.asked;
      question.box = window;
      question.owner = GetWindow(window, kGwOwner);
      wchar_t text[512] = {};
      GetWindowTextW(window, text, 512);
      question.title = from_wide(text);
      HWND label = GetDlgItem(window, 0xFFFF);  // the message box's text
      text[0] = L'\0';
      if (label != nullptr) {
        GetWindowTextW(label, text, 512);
      }
      question.text = from_wide(text);
      question.yes_and_no =
          GetDlgItem(window, kIdYes) != nullptr && GetDlgItem(window, kIdNo) != nullptr;
      // The button Enter presses: the push button drawn as the default.
      const int buttons[] = {kIdYes, kIdNo};
      for (int id : buttons) {
        HWND item = GetDlgItem(window, id);
        if (item != nullptr &&
            (static_cast<DWORD>(GetWindowLongW(item, kGwlStyle)) & 0x0FU) == kBsDefPushButton) {
          question.default_button = id;
        }
      }
      HWND button = GetDlgItem(window, question.answer);
      if (button != nullptr) {
        PostMessageW(window, kWmCommand, static_cast<WPARAM>(question.answer),
                     reinterpret_cast<LPARAM>(button));
      }
    }
  }
  return CallNextHookEx(g_hook, code, wparam, lparam);
}

}  // namespace

// The service out of reach (the tunnel refuses): a track's notice fails and is not kept; its
// scrobble fails, is kept, and the open page says that it waits.
void Drive::keep_while_down() {
  out("== kept scrobbles: the service out of reach");
  open_instance(page_identity(), journal_page_);
  check(checked(page_window_, kKeepBox),
        "the page does not show the stored switch that keeps scrobbles as on");
  check(status_reads("Nothing waiting"), Text("with nothing kept the status line reads \"")
                                             << control_text(page_window_, kJournalStatus) << "\"");
  Text reply;
  if (!tunnel_.command("POST", "/refuse", reply)) {
    fatal(Text("the tunnel would not refuse: ") << reply);
  }
  mark_lines();
  // The component reads its clock for the track's start within the call: between these two.
  kept_started_ = _time32(nullptr);
  start_track(new_track("metadb_handle (kept, sent later)",
                        "metadb_info_container (kept, sent later)", kKeptArtist, kKeptTitle,
                        kKeptAlbum));
  kept_started_last_ = _time32(nullptr);
  if (!local_differs_from_utc(kept_started_)) {
    fatal(
        "the run's local time is UTC: whether the page names a moment in local time cannot "
        "show (the test sets TZ)");
  }
  play_seconds(1, 50);
  const Text track = described(kKeptArtist, kKeptTitle, kKeptAlbum);
  expect_line("foo_brivanto: Now playing FAILED: ", 30);
  const size_t sending = expect_line((Text("foo_brivanto: Sending scrobble: ") << track).c_str());
  const size_t failed = expect_line("foo_brivanto: Scrobble FAILED: ", 30);
  const size_t kept = expect_line(
      (Text("foo_brivanto: Scrobble kept for later: ") << track << " (1 waiting)").c_str());
  check(sending < failed && failed < kept,
        "the lines of a kept scrobble came in another order than sending, FAILED, kept");
  stop_track();

  // The exact text is checked against the start the service receives (send_kept_when_back).
  const bool follows = pump_until(
      [&] {
        const Text status = control_text(page_window_, kJournalStatus);
        return status == waiting_text(kept_started_) || status == waiting_text(kept_started_last_);
      },
      20);
  kept_status_ = control_text(page_window_, kJournalStatus);
  check(follows, Text("while a scrobble waits the status line reads \"")
                     << kept_status_ << "\", not \"" << waiting_text(kept_started_) << "\"");
  check(enabled(page_window_, kDiscardButton), "Discard is disabled while a scrobble waits");
  out(Text("ok: the notice failed and was not kept; the scrobble failed, was kept (1 waiting), "
           "and the page said \"")
      << kept_status_ << "\"");
}

// The service back: the next track's notice is accepted, which sends what waits, once, with
// its track's own start; the page then says that nothing waits.
void Drive::send_kept_when_back() {
  out("== kept scrobbles: the service back");
  // The service stays out of reach until the second after the kept track's start has begun,
  // so that a scrobble stamped when it is sent, rather than when its track started, shows.
  // Nothing signals a new second: the main thread's business runs in steps of 100 ms until it.
  for (int step = 0; step < 50 && _time32(nullptr) <= kept_started_last_; ++step) {
    pump_until_ms([] { return false; }, 100);
  }
  Text reply;
  if (!tunnel_.command("POST", "/forward", reply)) {
    fatal(Text("the tunnel would not forward: ") << reply);
  }
  mark_lines();
  start_track(new_track("metadb_handle (played when back)",
                        "metadb_info_container (played when back)", kBackArtist, kBackTitle,
                        nullptr));
  play_seconds(1, 3);
  const Text kept = described(kKeptArtist, kKeptTitle, kKeptAlbum);
  const size_t accepted = expect_line(
      (Text("foo_brivanto: Now playing OK: ") << described(kBackArtist, kBackTitle, nullptr))
          .c_str(),
      30);
  const size_t sending =
      expect_line((Text("foo_brivanto: Sending kept scrobble: ") << kept).c_str(), 30);
  const size_t sent = expect_line((Text("foo_brivanto: Kept scrobble OK: ") << kept).c_str(), 30);
  check(accepted < sending && sending < sent,
        R"(the kept scrobble's lines did not follow the accepted notice that sends it: )"
        R"("Now playing OK", "Sending kept scrobble", "Kept scrobble OK")");
  check(status_reads("Nothing waiting"), Text("once the kept scrobble was sent the status line "
                                              "reads \"")
                                             << control_text(page_window_, kJournalStatus) << "\"");
  check(!enabled(page_window_, kDiscardButton), "Discard is enabled once nothing waits");
  const int64_t apart_in_service = check_kept_scrobble_received();
  out(Text("ok: the next notice accepted, the kept scrobble sent and confirmed; the service holds "
           "it once, as played, with its track's start, ")
      << apart_in_service << " s before it arrived; the page says \"Nothing waiting\"");
}

// The service holds the kept scrobble once, as it was played, under the stored key and with
// the start of its track: the seconds between that start and its arrival.
int64_t Drive::check_kept_scrobble_received() {
  Text body;
  Text error;
  if (!tunnel_.fetch_from_service(setup_.base_url, "/history.json", body, error)) {
    fatal(Text("cannot read the service's history through the tunnel: ") << error);
  }
  List<Text> scrobbles;
  json_array(body, "scrobbles", scrobbles);
  size_t found = 0;
  Text params;
  Text session;
  int64_t received_at = 0;
  for (const Text& entry : scrobbles) {
    Text these;
    Text title;
    json_member(entry, "params", these);
    if (json_string_member(these, "track", title) && title == kKeptTitle) {
      ++found;
      params = these;
      json_string_member(entry, "session", session);
      Text received;
      json_member(entry, "received_at", received);
      received_at = number(received);
    }
  }
  if (!check(found == 1 && scrobbles.size() == 2,
             Text("the service holds the kept scrobble ")
                 << found << " times among " << scrobbles.size()
                 << " scrobbles, expected once after the first track's: " << body)) {
    return 0;
  }
  check(session == session_key_, "the kept scrobble arrived under another session than the key");
  const struct {
    const char* name;
    Text value;
  } fields[] = {{"method", "track.scrobble"}, {"artist", kKeptArtist}, {"track", kKeptTitle},
                {"album", kKeptAlbum},        {"duration", "100"},     {"sk", session_key_}};
  for (const auto& field : fields) {
    Text value;
    check(json_string_member(params, field.name, value) && value == field.value,
          Text("the kept scrobble's ") << field.name << " arrived as \"" << value
                                       << "\", played as \"" << field.value << "\"");
  }
  Text stamp;
  json_string_member(params, "timestamp", stamp);
  const int64_t timestamp = number(stamp);
  check(timestamp >= kept_started_ && timestamp <= kept_started_last_,
        Text("the kept scrobble's timestamp is ")
            << timestamp - kept_started_ << " s off the start of its track");
  // Sent in a later second than its track's start, or a stamp of the sending would pass.
  check(received_at > kept_started_last_, Text("the kept scrobble arrived ")
                                              << received_at - kept_started_last_
                                              << " s after its track started: not later than live");
  check(kept_status_ == waiting_text(timestamp),
        Text("the status line said \"")
            << kept_status_ << "\" of a track that started at " << local_time_text(timestamp));
  return received_at - timestamp;
}

// Discard empties the journal only when its question is answered Yes.
void Drive::discard_kept() {
  out("== kept scrobbles: Discard");
  Text reply;
  if (!tunnel_.command("POST", "/refuse", reply)) {
    fatal(Text("the tunnel would not refuse: ") << reply);
  }
  mark_lines();
  play_seconds(4, 50);  // the track played when the service came back, until its scrobble
  const Text track = described(kBackArtist, kBackTitle, nullptr);
  expect_line("foo_brivanto: Scrobble FAILED: ", 30);
  expect_line((Text("foo_brivanto: Scrobble kept for later: ") << track << " (1 waiting)").c_str());
  stop_track();
  check(pump_until(
            [&] {
              return control_text(page_window_, kJournalStatus)
                  .starts_with("1 scrobble waiting, the oldest from ");
            },
            20),
        Text("with a scrobble kept the status line reads \"")
            << control_text(page_window_, kJournalStatus) << "\"");
  const Text waiting = control_text(page_window_, kJournalStatus);

  g_hook = SetWindowsHookExW(kWhCallWndProcRet, on_window_message, nullptr, GetCurrentThreadId());
  if (g_hook == nullptr) {
    fatal(Text("cannot watch the host's windows for a message box (error ")
          << GetLastError() << ")");
  }
  const int answers[] = {kIdNo, kIdYes};
  for (int answer : answers) {
    const char* said = answer == kIdYes ? "Yes" : "No";
    Question question;
    question.answer = answer;
    g_question = &question;
    click(page_window_, kDiscardButton);  // returns once the question is answered
    g_question = nullptr;
    check(question.asked == 1, Text("Discard asked ") << question.asked << " questions, not one");
    check(question.owner == preferences_window_,
          "Discard's question is not owned by the Preferences window the page is in");
    check(question.yes_and_no && question.title == "foo_brivanto" &&
              question.text.starts_with("Discard 1 waiting scrobble?"),
          Text("Discard asked \"") << question.title << ": " << question.text
                                   << "\", with Yes and No: " << (question.yes_and_no ? 1 : 0));
    // Enter, or a stray key, must not empty the journal: No is the question's default.
    check(question.default_button == kIdNo, Text("Discard's question has the button ")
                                                << question.default_button
                                                << " as its default, not No (" << kIdNo << ")");
    check(IsWindow(question.box) == 0, Text("the question stayed open after ") << said);
    // No starts nothing that shows at once: that it discarded nothing later either is checked
    // once every thread of the library has ended (quit_and_unload).
    if (answer == kIdNo) {
      check(control_text(page_window_, kJournalStatus) == waiting &&
                enabled(page_window_, kDiscardButton),
            Text("after No the status line reads \"")
                << control_text(page_window_, kJournalStatus) << "\"");
    }
  }
  UnhookWindowsHookEx(g_hook);
  g_hook = nullptr;
  const size_t discarded = expect_line("foo_brivanto: Journal: discarded ");
  check(console_->line(discarded) == "foo_brivanto: Journal: discarded 1 scrobble",
        Text("Discard said \"") << console_->line(discarded) << "\"");
  check(status_reads("Nothing waiting"), Text("once discarded the status line reads \"")
                                             << control_text(page_window_, kJournalStatus) << "\"");
  check(!enabled(page_window_, kDiscardButton), "Discard is enabled once nothing waits");
  out("ok: Discard asked Yes or No in a message box of the Preferences window; No left the "
      "scrobble waiting, Yes discarded it, and the page says \"Nothing waiting\"");
}

// A scrobble kept while the switch goes off, which then keeps it waiting.
void Drive::keep_for_the_quit() {
  out("== kept scrobbles: waiting with the switch off");
  mark_lines();
  start_track(new_track("metadb_handle (waiting at quit)",
                        "metadb_info_container (waiting at quit)", kQuitArtist, kQuitTitle,
                        nullptr));
  play_seconds(1, 50);
  const Text track = described(kQuitArtist, kQuitTitle, nullptr);
  expect_line((Text("foo_brivanto: Scrobble kept for later: ") << track << " (1 waiting)").c_str(),
              30);
  stop_track();
  click(page_window_, kKeepBox);
  CALL_COMPONENT("preferences_page_instance::apply", journal_page_->apply());
  check(stored_keep_switch(get_config("with the switch turned off")) == 0,
        "the switch that keeps scrobbles is not stored as off once turned off");
  check(pump_until(
            [&] {
              return control_text(page_window_, kJournalStatus)
                  .starts_with("1 scrobble waiting, the oldest from ");
            },
            20),
        Text("with the switch off, what waits stays; the status line reads \"")
            << control_text(page_window_, kJournalStatus) << "\"");
  out("ok: a scrobble kept, and still waiting with the switch turned off");
}

// With the tunnel holding every request, the switch turned on again sends what waits: that
// send hangs, and the player quits meanwhile (quit_and_unload).
void Drive::hang_kept_send() {
  mark_lines();
  click(page_window_, kKeepBox);
  CALL_COMPONENT("preferences_page_instance::apply", journal_page_->apply());
  expect_line(
      (Text("foo_brivanto: Sending kept scrobble: ") << described(kQuitArtist, kQuitTitle, nullptr))
          .c_str());
  Text reply;
  if (!tunnel_.command("GET", "/held", reply)) {
    fatal(Text("the kept scrobble's request never reached the tunnel: ") << reply);
  }
  close_page(journal_page_, page_window_);
}

}  // namespace host
