// The component's start as the player performs it: the entry, the client, the factory list,
// the component's version and file-name check, the stored configuration, and start-up.
#include "drive.h"

namespace host {
namespace {

const wchar_t kWindowClass[] = L"foo_brivanto conformance host";

// The component's records in the configuration, in the order it stores them. A listener's
// settings survive an upgrade only while these GUIDs and forms stay: the first five are those
// of earlier versions, the switch that keeps scrobbles came later and goes last, so that an
// earlier version reads the five it knows and ignores the sixth.
constexpr player::GUID kSettingsVersionRecord = {
    0x1ac5d9f8, 0xc0b4, 0x4162, {0xf3, 0x45, 0x8e, 0x9f, 0x0a, 0x1b, 0x2c, 0x3d}};
constexpr player::GUID kNowPlayingRecord = {
    0x09b4c8e7, 0xbfa3, 0x4051, {0xe2, 0x34, 0x7d, 0x8e, 0x9f, 0x0a, 0x1b, 0x2c}};
constexpr player::GUID kScrobblingRecord = {
    0xf8a3b7d6, 0xae92, 0x4f40, {0xd1, 0x23, 0x6c, 0x7d, 0x8e, 0x9f, 0x0a, 0x1b}};
constexpr player::GUID kPendingTokenRecord = {
    0xe7f2a6c5, 0x9d81, 0x4e3f, {0xc0, 0x12, 0x5b, 0x6c, 0x7d, 0x8e, 0x9f, 0x0a}};
constexpr player::GUID kSessionKeyRecord = {
    0xd6e1f5b4, 0x8c70, 0x4d2e, {0xbf, 0x01, 0x4a, 0x5b, 0x6c, 0x7d, 0x8e, 0x9f}};
constexpr player::GUID kKeepSwitchRecord = {
    0x7967b354, 0x0dae, 0x4903, {0x91, 0x1c, 0x66, 0x63, 0x34, 0x0f, 0x9a, 0x2f}};
constexpr int kEarlierRecords = 5;
// The form of each (-1: any size, a string).
constexpr struct {
  const player::GUID& guid;
  int size;
} kRecords[] = {{kSettingsVersionRecord, 4}, {kNowPlayingRecord, 1},  {kScrobblingRecord, 1},
                {kPendingTokenRecord, -1},   {kSessionKeyRecord, -1}, {kKeepSwitchRecord, 1}};

// The profile folder's own name: not ASCII, as many a user name is.
const char kProfileName[] = "Профиль Ани";

LRESULT WINAPI window_procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  return DefWindowProcW(window, message, wparam, lparam);
}

HWND create_window(const wchar_t* title, DWORD style, HWND owner) {
  WindowClass window_class{};
  window_class.size = sizeof(window_class);
  window_class.procedure = window_procedure;
  window_class.instance = GetModuleHandleW(nullptr);
  window_class.class_name = kWindowClass;
  RegisterClassExW(&window_class);  // fails harmlessly the second time
  HWND window = CreateWindowExW(0, kWindowClass, title, style, kCwUseDefault, kCwUseDefault, 640,
                                480, owner, nullptr, GetModuleHandleW(nullptr), nullptr);
  if (window == nullptr) {
    fatal(Text("cannot create the host's windows (error ") << GetLastError() << ")");
  }
  return window;
}

uint32_t little_endian(const Text& bytes, size_t at, size_t count) {
  uint32_t value = 0;
  for (size_t i = count; i-- > 0;) {
    value = (value << 8U) | static_cast<uint8_t>(bytes[at + i]);
  }
  return value;
}

// Empties the folder (files only, as the journal makes) and removes it; true when it is gone.
bool remove_folder(const Text& folder) {
  wchar_t* pattern = to_wide(Text(folder) << "\\*");
  FindData found{};
  HANDLE search = FindFirstFileW(pattern, &found);
  delete[] pattern;
  if (reinterpret_cast<intptr_t>(search) != -1) {  // INVALID_HANDLE_VALUE
    do {
      if ((found.attributes & kFileAttributeDirectory) == 0) {
        wchar_t* file = to_wide(Text(folder) << "\\" << from_wide(found.name));
        DeleteFileW(file);
        delete[] file;
      }
    } while (FindNextFileW(search, &found) != 0);
    FindClose(search);
  }
  wchar_t* wide = to_wide(folder);
  RemoveDirectoryW(wide);
  const bool gone = GetFileAttributesW(wide) == kInvalidFileAttributes;
  delete[] wide;
  return gone;
}

// Whether the configuration is the component's records, in its order and forms, the switch's
// last; `records` are its records.
bool check_record_forms(const Text& bytes, List<Record>& records, const char* when) {
  if (!check(parse_records(bytes, records), Text("get_config ")
                                                << when << " wrote something else than whole "
                                                << "records (GUID, length, data)")) {
    return false;
  }
  bool right = records.size() == sizeof(kRecords) / sizeof(kRecords[0]);
  for (size_t i = 0; right && i < records.size(); ++i) {
    right =
        records[i].guid == kRecords[i].guid &&
        (kRecords[i].size < 0 || records[i].data.size() == static_cast<size_t>(kRecords[i].size));
  }
  Text got;
  for (const Record& record : records) {
    got << " " << guid_text(record.guid) << " (" << record.data.size() << " bytes)";
  }
  return check(right, Text("get_config ") << when << " wrote other records than the component's "
                                          << "six in their order and forms:" << got);
}

}  // namespace

// The configuration as the player stores it for client version 80: records of a GUID (16
// bytes, its fields little-endian), a 32-bit little-endian length and that many bytes.
bool parse_records(const Text& bytes, List<Record>& records) {
  size_t at = 0;
  while (at < bytes.size()) {
    if (bytes.size() - at < 20) {
      return false;
    }
    Record record{};
    record.guid.data1 = little_endian(bytes, at, 4);
    record.guid.data2 = static_cast<uint16_t>(little_endian(bytes, at + 4, 2));
    record.guid.data3 = static_cast<uint16_t>(little_endian(bytes, at + 6, 2));
    memcpy(record.guid.data4, bytes.c_str() + at + 8, 8);
    const uint32_t size = little_endian(bytes, at + 16, 4);
    at += 20;
    if (bytes.size() - at < size) {
      return false;
    }
    record.data = bytes.substr(at, size);
    at += size;
    records.push(move(record));
  }
  return true;
}

int stored_keep_switch(const Text& bytes) {
  List<Record> records;
  if (parse_records(bytes, records)) {
    for (const Record& record : records) {
      if (record.guid == kKeepSwitchRecord && record.data.size() == 1 &&
          (record.data[0] == 0 || record.data[0] == 1)) {
        return record.data[0];
      }
    }
  }
  return -1;
}

bool stored_session_key(const Text& bytes, Text& key) {
  List<Record> records;
  if (!check(parse_records(bytes, records),
             "get_config wrote something else than whole records (GUID, length, data)")) {
    return false;
  }
  for (const Record& record : records) {
    if (record.guid == kSessionKeyRecord) {
      key = record.data;
      return true;
    }
  }
  return false;
}

Text guid_text(const player::GUID& guid) {
  Text text("{");
  text << hex(guid.data1, 8) << "-" << hex(guid.data2, 4) << "-" << hex(guid.data3, 4) << "-";
  for (int i = 0; i < 8; ++i) {
    text << (i == 2 ? "-" : "") << hex(guid.data4[i], 2);
  }
  return text << "}";
}

Drive::Drive(const Setup& setup)
    : setup_(setup),
      tunnel_(setup.tunnel_url),
      main_window_(create_window(L"foo_brivanto conformance host", kWsOverlappedWindow, nullptr)),
      preferences_window_(
          create_window(L"Preferences", kWsOverlappedWindow | kWsVisible, main_window_)),
      profile_(Text(setup.profile_parent) << "\\" << kProfileName),
      // As the player gives it: a file:// URL, the native path after it.
      api_(new HostApi(main_window_, Text("file://") << profile_)) {
  api_->offer(player::console_receiver::class_guid, console_);
  api_->offer(player::console_receiver::class_guid, second_console_);
  api_->offer(player::main_thread_callback_manager::class_guid, queue_);
  api_->offer(player::play_callback_manager::class_guid, playback_);
  api_->offer(player::popup_message::class_guid, popups_);
}

void Drive::print_console() {
  out("the component's console lines so far:");
  for (size_t i = 0; i < console_->line_count(); ++i) {
    out(Text("  | ") << console_->line(i));
  }
}

bool Drive::has_line(const char* text) {
  for (size_t i = mark_; i < console_->line_count(); ++i) {
    if (console_->line(i).contains(text)) {
      return true;
    }
  }
  return false;
}

size_t Drive::expect_line(const char* text, DWORD seconds) {
  size_t found = Text::kNone;
  auto seen = [&] {
    for (size_t i = mark_; i < console_->line_count(); ++i) {
      bool used = false;
      for (size_t u : used_lines_) {
        used = used || u == i;
      }
      if (!used && console_->line(i).contains(text)) {
        found = i;
        return true;
      }
    }
    return false;
  };
  if (!pump_until(seen, seconds)) {
    fatal(Text("no console line containing \"") << text << "\" within " << seconds << " s");
  }
  used_lines_.push(found);
  return found;
}

Text Drive::get_config(const char* when) {
  ConfigWriter writer(abort_);
  CALL_COMPONENT("foobar2000_client::get_config", client_->get_config(&writer, abort_));
  check(writer.calls() > 0, Text("get_config ") << when << " wrote nothing");
  return writer.bytes();
}

void Drive::set_config(const Text& bytes, const char* when) {
  ConfigReader reader(bytes, abort_);
  CALL_COMPONENT("foobar2000_client::set_config", client_->set_config(&reader, abort_));
  check(reader.left() == 0, Text("set_config ") << when << " left " << reader.left()
                                                << " bytes of the configuration unread");
}

// The profile folder as a player's is: there, and without the component's folder in it, which
// the component makes once it keeps a scrobble.
void Drive::prepare_profile() {
  const Text folders[] = {setup_.profile_parent, profile_};
  for (const Text& folder : folders) {
    wchar_t* wide = to_wide(folder);
    CreateDirectoryW(wide, nullptr);
    const DWORD attributes = GetFileAttributesW(wide);
    delete[] wide;
    if (attributes == kInvalidFileAttributes || (attributes & kFileAttributeDirectory) == 0) {
      fatal(Text("cannot make the profile folder ") << folder);
    }
  }
  if (!remove_folder(journal_folder())) {
    fatal(Text("cannot remove what an earlier run left in ") << journal_folder());
  }
}

void Drive::load() {
  out("== entry");
  wchar_t* path = to_wide(setup_.component);
  module_ = LoadLibraryW(path);
  delete[] path;
  if (module_ == nullptr) {
    fatal(Text("cannot load ") << setup_.component << " (error " << GetLastError() << ")");
  }
  auto entry = reinterpret_cast<player::get_interface_function>(
      GetProcAddress(module_, "foobar2000_get_interface"));
  if (entry == nullptr) {
    fatal("the library exports no foobar2000_get_interface");
  }
  CALL_COMPONENT("foobar2000_get_interface", client_ = entry(api_, module_));
  if (client_ == nullptr) {
    fatal("foobar2000_get_interface returned no client");
  }
  uint32_t version = 0;
  CALL_COMPONENT("foobar2000_client::get_version", version = client_->get_version());
  if (version != player::foobar2000_client::kVersion) {
    fatal(Text("get_version returned ") << version << ", the player loads version 80");
  }
  const char* name = "foo_brivanto.dll";
  CALL_COMPONENT("foobar2000_client::set_library_path",
                 client_->set_library_path(setup_.component.c_str(), name));
  bool debug = true;
  CALL_COMPONENT("foobar2000_client::is_debug", debug = client_->is_debug());
  check(!debug, "is_debug: the shipped library says it is a debug build");
  out("ok: the entry returned the client, get_version 80, set_library_path, is_debug false");
}

void Drive::walk_factories() {
  out("== factory list");
  player::service_factory* factory = nullptr;
  CALL_COMPONENT("foobar2000_client::get_service_list", factory = client_->get_service_list());
  struct Wanted {
    const player::GUID& guid;
    const char* name;
    player::service_ptr_t<player::service_base> instance;
  };
  Wanted wanted[] = {{player::componentversion::class_guid, "componentversion", {}},
                     {player::component_installation_validator::class_guid,
                      "component_installation_validator",
                      {}},
                     {player::initquit::class_guid, "initquit", {}},
                     {player::preferences_page::class_guid, "preferences_page", {}}};
  size_t count = 0;
  for (; factory != nullptr && count < 64; ++count) {
    // Read as the player reads it: the fields after the vtable pointer, by offset.
    const auto* fields = reinterpret_cast<const player::service_factory_fields*>(factory);
    const player::GUID guid = *fields->class_guid;
    bool known = false;
    for (Wanted& service : wanted) {
      if (service.guid == guid) {
        check(!service.instance, Text("two factories register ") << service.name);
        CALL_COMPONENT("service_factory::instance_create",
                       factory->instance_create(service.instance));
        check(static_cast<bool>(service.instance), Text("the factory of ")
                                                       << service.name << " created nothing");
        known = true;
      }
    }
    check(known, Text("a factory registers the class ")
                     << guid_text(guid) << ", which is none of the player's four the component "
                     << "implements: a wrong class GUID");
    api_->offer_factory(guid, factory);
    factory = fields->next;
  }
  for (const Wanted& service : wanted) {
    if (!service.instance) {
      fatal(Text("no factory registers ") << service.name << " " << guid_text(service.guid));
    }
  }
  version_ = as<player::componentversion>(wanted[0].instance);
  validator_ = as<player::component_installation_validator>(wanted[1].instance);
  initquit_ = as<player::initquit>(wanted[2].instance);
  page_ = as<player::preferences_page>(wanted[3].instance);
  out(Text("ok: ") << count
                   << " factories, each found by its entry-point GUID; their instances created");
}

void Drive::read_component_version() {
  out("== componentversion");
  struct Expected {
    void (player::componentversion::*slot)(player::string_base&);
    const char* name;
    Text text;
  };
  const Expected expected[] = {
      {&player::componentversion::get_file_name, "get_file_name", "foo_brivanto.dll"},
      {&player::componentversion::get_component_name, "get_component_name", "brivanto Scrobbler"},
      {&player::componentversion::get_component_version, "get_component_version", setup_.version},
      {&player::componentversion::get_about_message, "get_about_message",
       Text("Scrobble to ") << setup_.base_url.substr(setup_.base_url.find("//") + 2)},
  };
  for (const Expected& slot : expected) {
    HostString text;
    text.set_string("left over from before", SIZE_MAX);  // the component replaces it
    CALL_COMPONENT("componentversion", (version_.get()->*slot.slot)(text));
    check(text.text() == slot.text, Text("componentversion::")
                                        << slot.name << " gave \"" << text.text()
                                        << "\", expected \"" << slot.text << "\"");
  }
  out("ok: file name, name, version and about message, through the host's string_base");
}

void Drive::check_file_name() {
  out("== file-name check");
  const char* const right = setup_.component.c_str();
  const Text folder = setup_.component.substr(0, setup_.component.size() - 16);
  const Text wrong = Text(folder) << "foo_brivanto-1.dll";
  const struct {
    const char* path;
    const char* name;
    bool installed;
  } cases[] = {{wrong.c_str(), "foo_brivanto-1.dll", false}, {right, "foo_brivanto.dll", true}};
  for (const auto& c : cases) {
    CALL_COMPONENT("foobar2000_client::set_library_path",
                   client_->set_library_path(c.path, c.name));
    bool installed = false;
    CALL_COMPONENT("component_installation_validator::is_installed_correctly",
                   installed = validator_->is_installed_correctly());
    check(installed == c.installed, Text("is_installed_correctly for ")
                                        << c.name << " returned "
                                        << (installed ? "true" : "false"));
  }
  out("ok: is_installed_correctly false under another file name, true under foo_brivanto.dll");
}

void Drive::round_trip_configuration() {
  out("== configuration");
  set_config(Text(), "with a fresh (empty) configuration");
  const Text fresh = get_config("after a fresh start");
  List<Record> records;
  check_record_forms(fresh, records, "after a fresh start");
  Text key("unread");
  check(stored_session_key(fresh, key) && key.empty(),
        "a fresh configuration holds an empty session key record");
  check(stored_keep_switch(fresh) == 0, "a fresh configuration does not keep scrobbles");

  // A profile of an earlier version: its five records alone, all but the last one here.
  const Text earlier = fresh.substr(0, fresh.size() - 21);
  set_config(earlier, "with an earlier version's five records");
  const Text upgraded = get_config("after an earlier version's configuration");
  check(upgraded == fresh,
        "an earlier version's records did not read back as a fresh "
        "configuration's: their own bytes, then the switch, off");

  set_config(fresh, "with what get_config gave");
  const Text again = get_config("after set_config");
  check(again == fresh, "get_config after set_config of its own records gave other bytes");
  out(Text("ok: set_config and get_config with the player's abort_callback; ")
      << fresh.size() << " bytes of records read back unchanged; an earlier version's five "
      << "records read with the switch that keeps scrobbles off");
}

void Drive::check_keep_switch_stored(const Text& before) {
  const Text configuration = get_config("after the switch that keeps scrobbles was applied");
  List<Record> records;
  List<Record> earlier;
  if (!check_record_forms(configuration, records, "after the switch was applied") ||
      !parse_records(before, earlier) || earlier.size() < kEarlierRecords) {
    return;
  }
  for (int i = 0; i < kEarlierRecords; ++i) {
    check(records[i].data == earlier[i].data,
          Text("applying the switch that keeps scrobbles changed the record ")
              << guid_text(records[i].guid) << " of earlier versions");
  }
  const Text& stored = records[kEarlierRecords].data;
  check(stored_keep_switch(configuration) == 1,
        Text("the switch that keeps scrobbles is not stored as on: ")
            << guid_text(kKeepSwitchRecord) << " holds " << stored.size() << " bytes, the first "
            << (stored.empty() ? -1 : static_cast<int>(stored[0])));
}

void Drive::start() {
  out("== start");
  check(console_->line_count() == 0,
        "the component printed to the console before the host offered its services");
  CALL_COMPONENT("foobar2000_client::services_init", client_->services_init(true));
  CALL_COMPONENT("initquit::on_init", initquit_->on_init());
  api_->set_initializing(false);
  const Text expected[] = {
      "foo_brivanto: Scrobbler registered \xE2\x80\x94 open View \xE2\x86\x92 Console for debug "
      "output",
      Text("foo_brivanto: Server ")
          << setup_.base_url << ", scrobbling=on, now playing=on, authorized=no"};
  for (const Text& line : expected) {
    expect_line(line.c_str(), 0);
    check(console_->line(used_lines_[used_lines_.size() - 1]) == line,
          Text("the start-up line \"") << line << "\" came with more text");
  }
  if (!check(playback_->registered() == 1, "on_init registered no play callback") ||
      !check(playback_->flags() == 382,
             Text("the play callback asked for events ")
                 << playback_->flags()
                 << ", expected 382 (new track, stop, seek, pause, edited, dynamic info, time)")) {
    fatal("no playback events can be delivered as the component expects");
  }
  out("ok: services_init, on_init; both start-up lines on the console; play callback "
      "registered for events 382");
}

}  // namespace host
