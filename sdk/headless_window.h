// Windows of a component built for a system without a window system (the Linux build): the
// handle a component gives its host for such a window (preferences_page_instance::window) is a
// pointer to this interface, valid while the page instance lives. The host shows and operates
// the window through it, and answers the questions the window asks. Main thread only.
#pragma once

#include <cstddef>

// The host's side of a window's questions.
class headless_question_answerer {
 public:
  // A Yes/No question the window asks, as a message box would (UTF-8); true for Yes. The
  // window waits for the answer.
  virtual bool answer_question(const char* title, const char* text) = 0;

 protected:
  ~headless_question_answerer() = default;
};

class headless_window {
 public:
  struct control {
    int id;
    const char* window_class;  // "BUTTON", "STATIC"
    const char* text;          // UTF-8
    int check_state;           // 0 unchecked, 1 checked, 2 indeterminate (buttons)
    bool enabled;              // a disabled control ignores clicks
  };

  virtual std::size_t control_count() = 0;
  // Control `index`, in tab order; its strings stay valid until the window next changes.
  virtual control control_at(std::size_t index) = 0;
  // Clicks control `id` as the user would: an auto check box toggles, and the click reaches
  // the dialog as a queued WM_COMMAND / BN_CLICKED, handled on the main thread. A disabled
  // control ignores it.
  virtual void click(int id) = 0;
  // The window's questions go to `answerer` from now on; null, or none given: each is
  // answered No. The answerer must outlive the window or be replaced first.
  virtual void set_question_answerer(headless_question_answerer* answerer) = 0;

 protected:
  ~headless_window() = default;
};
