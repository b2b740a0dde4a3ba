// Windows of a component built for a system without a window system (the Linux build): the
// handle a component gives its host for such a window (preferences_page_instance::window) is a
// pointer to this interface, valid while the page instance lives. The host shows and operates
// the window through it. Main thread only.
#pragma once

#include <cstddef>

class headless_window {
 public:
  struct control {
    int id;
    const char* window_class;  // "BUTTON", "STATIC"
    const char* text;          // UTF-8
    int check_state;           // 0 unchecked, 1 checked, 2 indeterminate (buttons)
  };

  virtual std::size_t control_count() = 0;
  // Control `index`, in tab order; its strings stay valid until the window next changes.
  virtual control control_at(std::size_t index) = 0;
  // Clicks control `id` as the user would: an auto check box toggles, and the click reaches
  // the dialog as a queued WM_COMMAND / BN_CLICKED, handled on the main thread.
  virtual void click(int id) = 0;

 protected:
  ~headless_window() = default;
};
