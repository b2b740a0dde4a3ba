// The preferences page as the player shows it: the page's identity, its instance in a real
// window with the player's callback, the page state, apply and reset, and the authorization
// button, whose presses do their work on threads of the component and come back as window
// messages to the dialog.
#include "drive.h"

namespace host {
namespace {

constexpr player::GUID kPageGuid = {
    0xb7e4f1a2, 0x3c5d, 0x4e8f, {0x9a, 0x0b, 0x1c, 0x2d, 0x3e, 0x4f, 0x5a, 0x6b}};

HWND control(HWND page, int id) {
  HWND window = GetDlgItem(page, id);
  if (window == nullptr) {
    fatal(Text("the page has no control ") << id);
  }
  return window;
}

}  // namespace

uint32_t state_of(player::preferences_page_instance* page) {
  uint32_t state = 0;
  CALL_COMPONENT("preferences_page_instance::get_state", state = page->get_state());
  return state;
}

Text control_text(HWND page, int id) {
  wchar_t text[256] = {};
  GetWindowTextW(control(page, id), text, 256);
  return from_wide(text);
}

bool checked(HWND page, int id) {
  return SendMessageW(control(page, id), kBmGetCheck, 0, 0) == 1;
}

bool enabled(HWND page, int id) {
  return IsWindowEnabled(control(page, id)) != 0;
}

bool Drive::status_reads(const Text& text, DWORD seconds) {
  return pump_until([&] { return control_text(page_window_, kJournalStatus) == text; }, seconds);
}

// As a user's click: the window is activated first, which BM_CLICK needs.
void Drive::click(HWND page, int id) {
  SetActiveWindow(preferences_window_);
  SendMessageW(control(page, id), kBmClick, 0, 0);
}

// The page as the player lists it, and the version that can be opened, reached through
// service_query.
player::service_ptr_t<player::preferences_page_v3> Drive::page_identity() {
  const char* name = nullptr;
  CALL_COMPONENT("preferences_page::get_name", name = page_->get_name());
  check(name != nullptr && Text(name) == "brivanto", Text("get_name gave \"") << name << "\"");
  player::GUID guid{};
  CALL_COMPONENT("preferences_page::get_guid", guid = page_->get_guid());
  check(guid == kPageGuid, Text("get_guid gave ") << guid_text(guid));
  CALL_COMPONENT("preferences_page::get_parent_guid", guid = page_->get_parent_guid());
  check(guid == player::preferences_page::guid_tools,
        Text("get_parent_guid gave ") << guid_text(guid) << ", not the Tools branch");
  HostString help;
  bool has_help = false;
  CALL_COMPONENT("preferences_page::get_help_url", has_help = page_->get_help_url(help));
  check(!has_help || !help.text().empty(), "get_help_url said yes and gave no address");

  player::service_ptr_t<player::service_base> found;
  bool v2 = false;
  bool v3 = false;
  bool other = true;
  CALL_COMPONENT("service_query",
                 v2 = page_->service_query(found, player::preferences_page_v2::class_guid));
  check(v2 && found.get() == page_.get(), "the page does not answer service_query for v2");
  CALL_COMPONENT("service_query",
                 v3 = page_->service_query(found, player::preferences_page_v3::class_guid));
  check(v3 && found.get() == page_.get(), "the page does not answer service_query for v3");
  player::service_ptr_t<player::service_base> none;
  CALL_COMPONENT("service_query", other = page_->service_query(none, player::initquit::class_guid));
  check(!other && !none, "the page says it is an initquit");
  if (!v3) {
    fatal("no preferences_page_v3: the player could not open the page");
  }
  auto page_v3 = as<player::preferences_page_v3>(found);
  double priority = 0;
  CALL_COMPONENT("preferences_page_v2::get_sort_priority", priority = page_v3->get_sort_priority());
  (void)priority;  // any order among its siblings is the component's choice
  return page_v3;
}

// The page in the player's Preferences window, as the player opens it; its window is the
// result, and page_window_ while it is open.
HWND Drive::open_instance(const player::service_ptr_t<player::preferences_page_v3>& page_v3,
                          player::preferences_page_instance::ptr& instance) {
  CALL_COMPONENT("preferences_page_v3::instantiate",
                 instance = page_v3->instantiate(
                     preferences_window_, player::preferences_page_callback::ptr(page_callback_)));
  if (!instance) {
    fatal("instantiate returned no page instance");
  }
  check(page_callback_->references() == 2,
        Text("the open page holds ") << page_callback_->references() - 1
                                     << " references to the player's callback, expected 1");
  HWND window = nullptr;
  CALL_COMPONENT("preferences_page_instance::get_wnd", window = instance->get_wnd());
  wchar_t window_class[32] = {};
  GetClassNameW(window, window_class, 32);
  if (!check(IsWindow(window) != 0 && GetParent(window) == preferences_window_ &&
                 (static_cast<DWORD>(GetWindowLongW(window, kGwlStyle)) & kWsChild) != 0 &&
                 from_wide(window_class) == "#32770",
             "get_wnd gave no child dialog of the window the page was opened in")) {
    fatal("the page has no window to drive");
  }
  page_window_ = window;
  ShowWindow(window, kSwShow);
  return window;
}

void Drive::open_page() {
  out("== preferences page");
  const auto page_v3 = page_identity();
  player::preferences_page_instance::ptr instance;
  HWND window = open_instance(page_v3, instance);
  check(control_text(window, kAuthorizeButton) == "Request authorization",
        Text("the authorization button reads \"")
            << control_text(window, kAuthorizeButton) << "\"");
  const int boxes[] = {kScrobblingBox, kNowPlayingBox};
  for (int box : boxes) {
    check(checked(window, box), Text("check box ")
                                    << box << " is not checked on a fresh configuration");
  }
  change_switches(instance.get(), window);
  out("ok: name, GUID, parent, v2 and v3 through service_query, instantiate in a real window "
      "with the player's callback; get_state 8/9, reset and apply");
  switch_on_keeping(instance.get(), window);
  out("ok: the switch that keeps scrobbles, off at first and no journal made; \"Nothing "
      "waiting\"; on once applied, stored as a sixth record after the five unchanged ones");

  authorize(instance.get(), window);
  close_page(instance, window);
}

// A check box that differs from the stored switch changes the state and tells the player;
// reset shows the stored switch again; apply stores the box.
void Drive::change_switches(player::preferences_page_instance* page, HWND window) {
  check(state_of(page) == kResettable, "get_state of the fresh page is not 8");
  const size_t changes_before = page_callback_->calls();
  click(window, kScrobblingBox);
  check(state_of(page) == (kResettable | kChanged),
        "get_state after a click on a check box is not 9");
  check(page_callback_->calls() > changes_before,
        "a click on a check box left the callback silent");
  CALL_COMPONENT("preferences_page_instance::reset", page->reset());
  check(state_of(page) == kResettable, "get_state after reset is not 8");
  check(checked(window, kScrobblingBox), "reset did not show the stored switch again");
  for (int round = 0; round < 2; ++round) {
    click(window, kNowPlayingBox);
    check(state_of(page) == (kResettable | kChanged), "get_state before apply is not 9");
    CALL_COMPONENT("preferences_page_instance::apply", page->apply());
    check(state_of(page) == kResettable, "get_state after apply is not 8");
  }
}

// The third switch: off on a fresh configuration, and nothing of the journal on disk; the page
// says that nothing waits. Applied, it is stored as its own record.
void Drive::switch_on_keeping(player::preferences_page_instance* page, HWND window) {
  check(!checked(window, kKeepBox),
        "the box that keeps scrobbles is checked on a fresh configuration");
  check(control_text(window, kKeepBox) ==
            "Keep scrobbles that could not be sent, and send them later",
        Text("the box that keeps scrobbles reads \"") << control_text(window, kKeepBox) << "\"");
  check(status_reads("Nothing waiting"), Text("the journal's status line reads \"")
                                             << control_text(window, kJournalStatus)
                                             << R"(" on a fresh profile, not "Nothing waiting")");
  check(!enabled(window, kDiscardButton), "Discard is enabled while nothing waits");
  wchar_t* folder = to_wide(journal_folder());
  check(GetFileAttributesW(folder) == kInvalidFileAttributes,
        Text("with the switch off from the start, the component made ") << journal_folder());
  delete[] folder;

  const Text before = get_config("before the switch that keeps scrobbles was applied");
  check(stored_keep_switch(before) == 0, "the switch that keeps scrobbles is stored as on");
  click(window, kKeepBox);
  check(state_of(page) == (kResettable | kChanged),
        "get_state after a click on the box that keeps scrobbles is not 9");
  CALL_COMPONENT("preferences_page_instance::apply", page->apply());
  check(state_of(page) == kResettable, "get_state after applying the third switch is not 8");
  check_keep_switch_stored(before);
}

void Drive::authorize(player::preferences_page_instance* page, HWND window) {
  out("== authorization from the page");
  // A press whose request fails: the component tells the user through popup_message.
  Text reply;
  if (!tunnel_.command("POST", "/refuse", reply)) {
    fatal(Text("the tunnel would not refuse: ") << reply);
  }
  mark_lines();
  click(window, kAuthorizeButton);
  if (!pump_until([&] { return popups_->shown().size() > 0; }, 30)) {
    fatal("a press whose request failed showed no popup message");
  }
  const Popup& popup = popups_->shown()[0];
  check(popup.title == "foo_brivanto" && !popup.text.empty(),
        Text("the popup reads \"") << popup.title << ": " << popup.text << "\"");
  expect_line((Text("foo_brivanto: ") << popup.text).c_str(), 0);
  check(control_text(window, kAuthorizeButton) == "Request authorization",
        "a failed request changed the authorization button");
  if (!tunnel_.command("POST", "/forward", reply)) {
    fatal(Text("the tunnel would not forward: ") << reply);
  }

  // Request: the browser opens the service's page for the token; then Complete.
  size_t separator = 0;
  for (size_t i = 0; i < setup_.browser_record.size(); ++i) {
    separator = setup_.browser_record[i] == '\\' ? i : separator;
  }
  wchar_t* record_folder = to_wide(setup_.browser_record.substr(0, separator));
  HANDLE record_changed = FindFirstChangeNotificationW(
      record_folder, 0, kFileNotifyChangeLastWrite | kFileNotifyChangeFileName);
  delete[] record_folder;
  const size_t changes_before = page_callback_->calls();
  mark_lines();
  click(window, kAuthorizeButton);
  expect_line("foo_brivanto: Approve in browser, then click Complete authorization");
  check(page_callback_->calls() > changes_before,
        "the requested authorization left the player's callback silent");
  check(control_text(window, kAuthorizeButton) == "Complete authorization",
        "after the request the button does not read \"Complete authorization\"");
  Text opened;
  const Text auth_page = Text(setup_.base_url) << "/api/auth?";
  const bool browsed = pump_until(
      [&] {
        FindNextChangeNotification(record_changed);
        return read_file(setup_.browser_record, opened) && opened.contains(auth_page.c_str());
      },
      20, record_changed);
  FindCloseChangeNotification(record_changed);
  check(browsed && opened.contains("api_key=") && opened.contains("token="),
        Text("the browser was not sent to the service's authorization page; it got: ") << opened);

  mark_lines();
  click(window, kAuthorizeButton);
  expect_line("foo_brivanto: Authorized (session key saved)");
  check(control_text(window, kAuthorizeButton) == "Clear authorization",
        "once authorized the button does not read \"Clear authorization\"");
  check(state_of(page) == kResettable, "get_state once authorized is not 8");
  out("ok: a failed press shows a popup; Request opens the browser, Complete saves the session "
      "key; the button follows, the player's callback hears of it");
}

void Drive::close_page(player::preferences_page_instance::ptr& page, HWND window) {
  // As the player closes a page: its window first, then the last reference.
  page_window_ = nullptr;
  DestroyWindow(window);
  page.release();
  check(page_callback_->references() == 1, Text("the closed page still holds ")
                                               << page_callback_->references() - 1
                                               << " references to the player's callback");
  Text configuration = get_config("once authorized");
  check(stored_session_key(configuration, session_key_) && !session_key_.empty(),
        "the configuration holds no session key once authorized");
}

}  // namespace host
