// The preferences dialog as Windows creates it from the resources linked into this program,
// and the window operations on it. Runs under Wine with an X display.
#include <windows.h>

#include <gtest/gtest.h>

#include <cctype>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include "preferences/window.h"
#include "tests/support/attached_host.h"
#include "tests/support/recording_dialog.h"

namespace {

using namespace std::chrono_literals;
using brivanto_test::RecordingDialog;
using Clock = std::chrono::steady_clock;
namespace fb = foo_brivanto;

const std::string kHost = BRIVANTO_TEST_SERVICE_HOST;

struct Control {
  int id;
  const char* window_class;
  WORD class_atom;  // as the template names the class
  DWORD style;
  std::string text;
  short x, y, width, height;  // dialog units
};

// The page, control by control in tab order.
const std::vector<Control>& page_controls() {
  static const std::vector<Control> controls = {
      {-1, "static", 0x0082, WS_CHILD | WS_VISIBLE | WS_GROUP | SS_LEFT,
       "Сервер: " + kHost + " (зашит в плагин)", 8, 10, 310, 8},
      {1004, "button", 0x0080, WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON,
       "Request authorization", 8, 28, 120, 14},
      {1005, "button", 0x0080, WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_AUTOCHECKBOX,
       "Enable scrobbling", 8, 50, 120, 10},
      {1006, "button", 0x0080, WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_AUTOCHECKBOX,
       "Enable now playing", 8, 66, 120, 10},
      {-1, "static", 0x0082, WS_CHILD | WS_VISIBLE | WS_GROUP | SS_LEFT,
       "1. Request authorization (откроется браузер)  2. Разрешить на " + kHost +
           "  3. Complete authorization",
       8, 88, 310, 24},
  };
  return controls;
}

std::string narrow(const std::wstring& wide) {
  const int length = static_cast<int>(wide.size());
  const int size =
      WideCharToMultiByte(CP_UTF8, 0, wide.data(), length, nullptr, 0, nullptr, nullptr);
  std::string utf8(static_cast<std::size_t>(size), '\0');
  WideCharToMultiByte(CP_UTF8, 0, wide.data(), length, utf8.data(), size, nullptr, nullptr);
  return utf8;
}

std::string text_of(HWND window) {
  std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
  text.resize(
      static_cast<std::size_t>(GetWindowTextW(window, text.data(), static_cast<int>(text.size()))));
  return narrow(text);
}

std::string lower_class_of(HWND window) {
  wchar_t name[64] = {};
  GetClassNameW(window, name, 64);
  std::string lower = narrow(name);
  for (char& c : lower) {
    c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  }
  return lower;
}

class PreferencesWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    parent_ = CreateWindowExW(0, L"STATIC", L"parent", WS_OVERLAPPEDWINDOW, 0, 0, 800, 400, nullptr,
                              nullptr, nullptr, nullptr);
    ASSERT_NE(parent_, nullptr);
  }
  void TearDown() override { DestroyWindow(parent_); }

  HWND create(RecordingDialog& handler) {
    std::uint32_t error = 0;
    auto* dialog = static_cast<HWND>(fb::create_preferences_dialog(parent_, handler, error));
    EXPECT_NE(dialog, nullptr) << "error " << error;
    return dialog;
  }

  HWND parent_ = nullptr;
};

// Reads a resource's bytes in order.
class TemplateReader {
 public:
  TemplateReader(const void* data, std::size_t size)
      : data_(static_cast<const std::uint8_t*>(data)), size_(size) {}

  template <class T>
  T read() {
    T value{};
    if (position_ + sizeof(T) <= size_) {
      std::memcpy(&value, data_ + position_, sizeof(T));
    }
    position_ += sizeof(T);
    return value;
  }
  std::string string() {
    std::wstring text;
    for (wchar_t c = read<wchar_t>(); c != L'\0' && position_ <= size_; c = read<wchar_t>()) {
      text.push_back(c);
    }
    return narrow(text);
  }
  // A name-or-ordinal field: "#n" for the ordinal n.
  std::string name_or_ordinal() {
    if (read<WORD>() == 0xFFFF) {
      return "#" + std::to_string(read<WORD>());
    }
    position_ -= sizeof(WORD);
    return string();
  }
  void align_to_dword() { position_ = (position_ + 3) & ~std::size_t{3}; }
  bool overran() const { return position_ > size_; }

 private:
  const std::uint8_t* data_;
  std::size_t size_;
  std::size_t position_ = 0;
};

const wchar_t* const kDialogResource = MAKEINTRESOURCEW(5);  // RT_DIALOG

// A named CALLBACK function: 32-bit Windows calls it as stdcall, which a lambda is not.
BOOL CALLBACK add_language(HMODULE, LPCWSTR, LPCWSTR, WORD language, LONG_PTR found) {
  reinterpret_cast<std::vector<WORD>*>(found)->push_back(language);
  return TRUE;
}

std::vector<WORD> resource_languages(const wchar_t* type) {
  std::vector<WORD> languages;
  EnumResourceLanguagesW(GetModuleHandleW(nullptr), type, MAKEINTRESOURCEW(148), add_language,
                         reinterpret_cast<LONG_PTR>(&languages));
  return languages;
}

std::string resource_bytes(const wchar_t* type) {
  HMODULE module = GetModuleHandleW(nullptr);
  HRSRC found = FindResourceW(module, MAKEINTRESOURCEW(148), type);
  if (found == nullptr) {
    return {};
  }
  const auto* data = static_cast<const char*>(LockResource(LoadResource(module, found)));
  return std::string(data, SizeofResource(module, found));
}

TEST(PreferencesResourceTest, TemplateAndLayoutRecordAreThePagesInUsEnglish) {
  EXPECT_EQ(resource_languages(kDialogResource), std::vector<WORD>{1033});
  EXPECT_EQ(resource_languages(L"AFX_DIALOG_LAYOUT"), std::vector<WORD>{1033});
  EXPECT_EQ(resource_bytes(L"AFX_DIALOG_LAYOUT"), std::string(2, '\0'));  // version 0

  const std::string bytes = resource_bytes(kDialogResource);
  TemplateReader in(bytes.data(), bytes.size());
  EXPECT_EQ(in.read<WORD>(), 1);       // version
  EXPECT_EQ(in.read<WORD>(), 0xFFFF);  // extended template
  EXPECT_EQ(in.read<DWORD>(), 0U);     // help id
  EXPECT_EQ(in.read<DWORD>(), 0U);     // extended style
  EXPECT_EQ(in.read<DWORD>(), static_cast<DWORD>(WS_CHILD | DS_SETFONT | DS_FIXEDSYS));
  ASSERT_EQ(in.read<WORD>(), page_controls().size());
  EXPECT_EQ(in.read<short>(), 0);
  EXPECT_EQ(in.read<short>(), 0);
  EXPECT_EQ(in.read<short>(), 332);
  EXPECT_EQ(in.read<short>(), 140);
  EXPECT_EQ(in.name_or_ordinal(), "");  // no menu
  EXPECT_EQ(in.name_or_ordinal(), "");  // the default dialog class
  EXPECT_EQ(in.string(), "");           // title
  EXPECT_EQ(in.read<WORD>(), 8);        // points
  EXPECT_EQ(in.read<WORD>(), 400);      // weight
  EXPECT_EQ(in.read<BYTE>(), 0);        // not italic
  EXPECT_EQ(in.read<BYTE>(), 0);        // character set
  EXPECT_EQ(in.string(), "MS Shell Dlg");

  for (const Control& expected : page_controls()) {
    SCOPED_TRACE(expected.text);
    in.align_to_dword();
    EXPECT_EQ(in.read<DWORD>(), 0U);  // help id
    EXPECT_EQ(in.read<DWORD>(), 0U);  // extended style
    EXPECT_EQ(in.read<DWORD>(), expected.style);
    EXPECT_EQ(in.read<short>(), expected.x);
    EXPECT_EQ(in.read<short>(), expected.y);
    EXPECT_EQ(in.read<short>(), expected.width);
    EXPECT_EQ(in.read<short>(), expected.height);
    EXPECT_EQ(static_cast<int>(in.read<DWORD>()), expected.id);
    EXPECT_EQ(in.name_or_ordinal(), "#" + std::to_string(expected.class_atom));
    EXPECT_EQ(in.name_or_ordinal(), expected.text);
    EXPECT_EQ(in.read<WORD>(), 0);  // no creation data
  }
  EXPECT_FALSE(in.overran());
}

TEST_F(PreferencesWindowTest, CreatedWindowIsThePageAsAHiddenChild) {
  RecordingDialog handler;
  HWND dialog = create(handler);
  ASSERT_NE(dialog, nullptr);
  EXPECT_EQ(GetParent(dialog), parent_);
  // The system adds the 3D look to every dialog.
  EXPECT_EQ(static_cast<DWORD>(GetWindowLongW(dialog, GWL_STYLE)) & ~static_cast<DWORD>(DS_3DLOOK),
            static_cast<DWORD>(WS_CHILD | DS_SETFONT | DS_FIXEDSYS));
  EXPECT_EQ(text_of(dialog), "");
  RECT size{0, 0, 332, 140};
  MapDialogRect(dialog, &size);
  RECT client{};
  GetClientRect(dialog, &client);
  EXPECT_EQ(client.right, size.right);
  EXPECT_EQ(client.bottom, size.bottom);

  HWND control = GetWindow(dialog, GW_CHILD);
  for (const Control& expected : page_controls()) {
    SCOPED_TRACE(expected.text);
    ASSERT_NE(control, nullptr);
    EXPECT_EQ(GetDlgCtrlID(control), expected.id);
    EXPECT_EQ(lower_class_of(control), expected.window_class);
    EXPECT_EQ(static_cast<DWORD>(GetWindowLongW(control, GWL_STYLE)), expected.style);
    EXPECT_EQ(text_of(control), expected.text);
    RECT want{expected.x, expected.y, expected.x + expected.width, expected.y + expected.height};
    MapDialogRect(dialog, &want);
    RECT got{};
    GetWindowRect(control, &got);
    MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&got), 2);
    EXPECT_TRUE(EqualRect(&got, &want))
        << got.left << "," << got.top << " " << got.right << "," << got.bottom;
    control = GetWindow(control, GW_HWNDNEXT);
  }
  EXPECT_EQ(control, nullptr);
}

// WM_INITDIALOG is the handler's first message, and its result decides whether the dialog
// manager puts the keyboard focus on the first control that takes it (the button).
TEST_F(PreferencesWindowTest, InitDialogComesFirstAndItsResultDecidesTheFocus) {
  for (const std::intptr_t result : {0, 1}) {
    SCOPED_TRACE(result);
    SetFocus(parent_);
    RecordingDialog handler(result);
    HWND dialog = create(handler);
    ASSERT_NE(dialog, nullptr);
    ASSERT_FALSE(handler.messages().empty());
    EXPECT_EQ(handler.messages().front().message, fb::kWmInitDialog);
    EXPECT_EQ(GetFocus() == GetDlgItem(dialog, fb::kIdcAuth), result != 0);
    DestroyWindow(dialog);
  }
}

TEST_F(PreferencesWindowTest, FailureToCreateGivesAnErrorCode) {
  RecordingDialog handler;
  std::uint32_t error = 0;
  EXPECT_EQ(fb::create_preferences_dialog(nullptr, handler, error), nullptr);  // a child alone
  EXPECT_NE(error, 0U);

  RecordingDialog self_destroying;
  self_destroying.destroy_on_init();
  error = 0;
  EXPECT_EQ(fb::create_preferences_dialog(parent_, self_destroying, error), nullptr);
  EXPECT_NE(error, 0U);
}

// A click through the window system reaches the handler as WM_COMMAND / BN_CLICKED from the
// control; a check box changes its state on its own, the push button has none.
TEST_F(PreferencesWindowTest, ClicksReachTheHandlerAndToggleCheckBoxes) {
  RecordingDialog handler;
  HWND dialog = create(handler);
  ASSERT_NE(dialog, nullptr);
  struct Case {
    int id;
    int after_first_click;
  };
  for (const Case c : {Case{fb::kIdcAuth, 0}, Case{fb::kIdcEnableScrobbling, 1},
                       Case{fb::kIdcEnableNowPlaying, 1}}) {
    SCOPED_TRACE(c.id);
    HWND control = GetDlgItem(dialog, c.id);
    SendMessageW(control, BM_CLICK, 0, 0);
    EXPECT_EQ(handler.commands(c.id, fb::kBnClicked), 1U);
    EXPECT_EQ(handler.received(fb::kWmCommand).back().lparam,
              reinterpret_cast<std::intptr_t>(control));
    EXPECT_EQ(fb::button_check(dialog, c.id), c.after_first_click);
    SendMessageW(control, BM_CLICK, 0, 0);
    EXPECT_EQ(handler.commands(c.id, fb::kBnClicked), 2U);
    EXPECT_EQ(fb::button_check(dialog, c.id), 0);
  }
  fb::set_button_check(dialog, fb::kIdcEnableNowPlaying, fb::kBstChecked);
  EXPECT_EQ(IsDlgButtonChecked(dialog, fb::kIdcEnableNowPlaying), BST_CHECKED);
}

TEST_F(PreferencesWindowTest, ControlTextsTakeUtf8) {
  RecordingDialog handler;
  HWND dialog = create(handler);
  ASSERT_NE(dialog, nullptr);
  for (const std::string text :
       {"", "Clear authorization", "Сначала нажмите «Разрешить» — ok", "\xF0\x9F\x8E\xB5 notes"}) {
    fb::set_control_text(dialog, fb::kIdcAuth, text);
    EXPECT_EQ(text_of(GetDlgItem(dialog, fb::kIdcAuth)), text);
  }
}

// Posted messages queue in order and can be taken back before they are handled; those left
// reach the handler, also when posted from another thread. A destroyed window takes none.
TEST_F(PreferencesWindowTest, PostedMessagesQueueUntilHandledOrTakenBack) {
  RecordingDialog handler;
  HWND dialog = create(handler);
  ASSERT_NE(dialog, nullptr);

  ASSERT_TRUE(fb::post_message(dialog, fb::kWmAuthResult, 0, 11));
  ASSERT_TRUE(fb::post_message(dialog, fb::kWmAuthResult, 0, 22));
  std::intptr_t lparam = 0;
  EXPECT_TRUE(fb::remove_posted_message(dialog, fb::kWmAuthResult, lparam));
  EXPECT_EQ(lparam, 11);
  EXPECT_TRUE(fb::remove_posted_message(dialog, fb::kWmAuthResult, lparam));
  EXPECT_EQ(lparam, 22);
  EXPECT_FALSE(fb::remove_posted_message(dialog, fb::kWmAuthResult, lparam));

  bool seen_by_worker = false;
  std::thread worker([&] {
    seen_by_worker = fb::is_window(dialog) && fb::post_message(dialog, fb::kWmAuthResult, 0, 33);
  });
  worker.join();
  EXPECT_TRUE(seen_by_worker);
  brivanto_test::AttachedHost host;  // its main thread dispatches window messages as it waits
  EXPECT_TRUE(host->main_thread().run_until(
      [&] { return !handler.received(fb::kWmAuthResult).empty(); }, Clock::now() + 30s));
  EXPECT_EQ(handler.received(fb::kWmAuthResult).front().lparam, 33);

  fb::destroy_window(dialog);
  EXPECT_EQ(handler.received(fb::kWmDestroy).size(), 1U);
  EXPECT_FALSE(fb::is_window(dialog));
  EXPECT_FALSE(fb::post_message(dialog, fb::kWmAuthResult, 0, 44));
}

// The URL reaches the browser that the test's Wine prefix names (cmake/record-browser), which
// appends it to the file in BRIVANTO_BROWSER_RECORD.
TEST(OpenInBrowserTest, HandsTheUrlToTheBrowser) {
  const char* record = std::getenv("BRIVANTO_BROWSER_RECORD");
  ASSERT_NE(record, nullptr);
  const std::string unix_path = record;
  const std::string directory = "Z:" + unix_path.substr(0, unix_path.rfind('/'));
  const std::string file = "Z:" + unix_path;
  CreateDirectoryA(directory.c_str(), nullptr);
  DeleteFileA(file.c_str());
  HANDLE changes = FindFirstChangeNotificationA(
      directory.c_str(), FALSE, FILE_NOTIFY_CHANGE_FILE_NAME | FILE_NOTIFY_CHANGE_SIZE);
  ASSERT_NE(changes, INVALID_HANDLE_VALUE);

  const std::string url =
      "http://" + kHost + ":8080/api/auth?api_key=5e0c7a91d3b24f86a1c09e7d2b6f4a38&token=ab%20cd";
  EXPECT_TRUE(fb::open_in_browser(url));

  std::string recorded;
  const auto deadline = Clock::now() + 30s;
  while (recorded.empty() || recorded.back() != '\n') {
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
    ASSERT_GT(left.count(), 0) << "the browser got nothing; recorded: " << recorded;
    WaitForSingleObject(changes, static_cast<DWORD>(left.count()));
    FindNextChangeNotification(changes);
    std::ifstream in(file, std::ios::binary);
    recorded.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
  FindCloseChangeNotification(changes);
  EXPECT_EQ(recorded, url + "\n");
}

}  // namespace
