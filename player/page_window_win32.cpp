// The stand-in player's page window on Windows: a top-level window that holds the page's
// dialog, shows it and fits itself around it. Its messages are dispatched by the main thread's
// queue (player/host/main_thread_queue.h) whenever the player runs tasks or waits, and by the
// modal loop of any message box meanwhile: that is how the player answers a page's questions.
#include <windows.h>

#include <string>
#include <vector>

#include "player/page_window.h"
#include "sdk/utf16_win32.h"

namespace fbplayer {
namespace {

constexpr wchar_t kWindowClass[] = L"fbplayer page";
constexpr wchar_t kTitle[] = L"fbplayer preferences";

// Room around the page, in the page's dialog units.
constexpr int kMarginUnits = 7;
// A page's size in dialog units.
constexpr int kPageWidthUnits = 332;
constexpr int kPageHeightUnits = 160;

// Posted to the page window when a page was created in it: by then the page is complete.
constexpr UINT kWmPageArrived = WM_APP + 1;
// Posted to the page window when a message box of the page became active; lParam is the box.
// The box's own modal loop delivers it, once the box is complete.
constexpr UINT kWmAnswerQuestion = WM_APP + 2;
// Marks a message box that has been answered: it may be activated again before it closes.
constexpr wchar_t kAnsweredProperty[] = L"fbplayer answered";

// The page whose questions are answered, and who answers them (main thread only).
HWND g_question_page = nullptr;
PageQuestions* g_questions = nullptr;

bool has_class(HWND window, const wchar_t* name) {
  wchar_t found[16] = {};
  GetClassNameW(window, found, 16);
  return lstrcmpiW(found, name) == 0;
}

std::string window_text(HWND window) {
  std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
  text.resize(
      static_cast<std::size_t>(GetWindowTextW(window, text.data(), static_cast<int>(text.size()))));
  return utf16_to_utf8(text);
}

// Sees each window activated on the main thread; a message box owned by the page's top-level
// window is a question of the page's.
LRESULT CALLBACK question_hook(int code, WPARAM wparam, LPARAM lparam) noexcept {
  if (code == HCBT_ACTIVATE && g_question_page != nullptr) {
    auto* const activated = reinterpret_cast<HWND>(wparam);  // NOLINT(performance-no-int-to-ptr)
    HWND page_root = GetAncestor(g_question_page, GA_ROOT);
    if (activated != page_root && GetWindow(activated, GW_OWNER) == page_root &&
        has_class(activated, L"#32770")) {
      PostMessageW(static_cast<HWND>(page_parent_window()), kWmAnswerQuestion, 0,
                   reinterpret_cast<LPARAM>(activated));
    }
  }
  return CallNextHookEx(nullptr, code, wparam, lparam);
}

// Reads the question off the message box, has it answered, and presses Yes or No.
void answer_question(HWND box) {
  if (IsWindow(box) == FALSE || GetPropW(box, kAnsweredProperty) != nullptr) {
    return;
  }
  SetPropW(box, kAnsweredProperty, box);
  std::string text;
  for (HWND child = GetWindow(box, GW_CHILD); child != nullptr;
       child = GetWindow(child, GW_HWNDNEXT)) {
    if (has_class(child, L"Static")) {
      text += window_text(child);  // the icon's static control has no text
    }
  }
  const bool yes = g_questions != nullptr && g_questions->answer(window_text(box), text);
  const int id = yes ? IDYES : IDNO;
  HWND button = GetDlgItem(box, id);
  if (button == nullptr) {
    PostMessageW(box, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0);
    return;
  }
  SetActiveWindow(box);
  SendMessageW(button, BM_CLICK, 0, 0);
}

constexpr DWORD kStyle = WS_OVERLAPPEDWINDOW & ~(WS_THICKFRAME | WS_MAXIMIZEBOX);

// Gives the page window a client area of `width` × `height` pixels.
void fit_client_area(HWND window, int width, int height) {
  RECT frame{0, 0, width, height};
  AdjustWindowRectEx(&frame, kStyle, FALSE, 0);
  SetWindowPos(window, nullptr, 0, 0, frame.right - frame.left, frame.bottom - frame.top,
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

// Places the page at the margin, fits the window around it and shows it, as a host shows the
// page the user chose. The margin is measured in the page's own dialog units.
void show_page(HWND window, HWND page) {
  if (IsWindow(page) == FALSE || GetParent(page) != window) {
    return;  // gone again before it could be shown
  }
  RECT margin{0, 0, kMarginUnits, kMarginUnits};
  MapDialogRect(page, &margin);
  RECT size{};
  GetWindowRect(page, &size);
  SetWindowPos(page, nullptr, margin.right, margin.bottom, 0, 0,
               SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  fit_client_area(window, size.right - size.left + 2 * margin.right,
                  size.bottom - size.top + 2 * margin.bottom);
  ShowWindow(page, SW_SHOW);
}

LRESULT CALLBACK page_window_procedure(HWND window, UINT message, WPARAM wparam,
                                       LPARAM lparam) noexcept {
  switch (message) {
    case WM_PARENTNOTIFY:
      // The page's dialog is still being made: its controls and WM_INITDIALOG come next.
      if (LOWORD(wparam) == WM_CREATE) {
        PostMessageW(window, kWmPageArrived, 0, lparam);
      }
      return 0;
    case kWmPageArrived:
      // The page's window travels in lParam.
      show_page(window, reinterpret_cast<HWND>(lparam));  // NOLINT(performance-no-int-to-ptr)
      return 0;
    case kWmAnswerQuestion:
      answer_question(reinterpret_cast<HWND>(lparam));  // NOLINT(performance-no-int-to-ptr)
      return 0;
    case WM_CLOSE:
      return 0;  // the window lives as long as the player; pages are closed by command
    default:
      return DefWindowProcW(window, message, wparam, lparam);
  }
}

HWND create_page_window() {
  HINSTANCE module = GetModuleHandleW(nullptr);
  WNDCLASSEXW window_class{};
  window_class.cbSize = sizeof(window_class);
  window_class.lpfnWndProc = page_window_procedure;
  window_class.hInstance = module;
  window_class.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));  // IDC_ARROW
  window_class.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
  window_class.lpszClassName = kWindowClass;
  if (RegisterClassExW(&window_class) == 0) {
    return nullptr;
  }
  HWND window = CreateWindowExW(0, kWindowClass, kTitle, kStyle, CW_USEDEFAULT, CW_USEDEFAULT,
                                CW_USEDEFAULT, CW_USEDEFAULT, nullptr, nullptr, module, nullptr);
  if (window == nullptr) {
    return nullptr;
  }
  // Sized for a page before one arrives, from the system's dialog units; a page's own font
  // may differ a little, so the window fits itself again around each page.
  const LONG units = GetDialogBaseUnits();
  fit_client_area(window, MulDiv(kPageWidthUnits + 2 * kMarginUnits, LOWORD(units), 4),
                  MulDiv(kPageHeightUnits + 2 * kMarginUnits, HIWORD(units), 8));
  ShowWindow(window, SW_SHOWNORMAL);
  UpdateWindow(window);
  return window;
}

bool is_button(HWND control) {
  return has_class(control, L"Button");
}

}  // namespace

void* page_parent_window() {
  static HWND window = create_page_window();
  return window;
}

std::vector<PageControl> page_controls(void* dialog) {
  std::vector<PageControl> controls;
  // The dialog's children run in tab order: the order of its template.
  for (HWND control = GetWindow(static_cast<HWND>(dialog), GW_CHILD); control != nullptr;
       control = GetWindow(control, GW_HWNDNEXT)) {
    const int check =
        is_button(control) ? static_cast<int>(SendMessageW(control, BM_GETCHECK, 0, 0)) : 0;
    controls.push_back(
        {GetDlgCtrlID(control), window_text(control), check, IsWindowEnabled(control) != FALSE});
  }
  return controls;
}

bool click_page_control(void* dialog, int id) {
  HWND control = GetDlgItem(static_cast<HWND>(dialog), id);
  if (control == nullptr || IsWindowEnabled(control) == FALSE) {
    return false;
  }
  // BM_CLICK may fail in a window that is not active; a user's click would activate it first.
  SetActiveWindow(GetAncestor(control, GA_ROOT));
  SendMessageW(control, BM_CLICK, 0, 0);
  return true;
}

void answer_page_questions(void* dialog, PageQuestions* questions) {
  // The hook watches the main thread's windows for the player's life.
  static const bool hooked =
      SetWindowsHookExW(WH_CBT, question_hook, nullptr, GetCurrentThreadId()) != nullptr;
  static_cast<void>(hooked);
  page_parent_window();  // where the questions are answered
  g_question_page = static_cast<HWND>(dialog);
  g_questions = questions;
}

}  // namespace fbplayer
