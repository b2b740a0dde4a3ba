// How the stand-in player shows a component's preferences page and operates it: a real
// top-level window holding the page's dialog on Windows (page_window_win32.cpp), the
// component's headless window elsewhere (page_window_posix.cpp).
#pragma once

#include <string>
#include <vector>

namespace fbplayer {

struct PageControl {
  int id;
  std::string text;  // UTF-8
  int check_state;   // 0 unchecked, 1 checked, 2 indeterminate; 0 for controls without one
  bool enabled;
};

// Answers the Yes/No questions a page asks: a message box on Windows, the headless window's
// question elsewhere. Called on the main thread while the page waits for the answer.
class PageQuestions {
 public:
  // True for Yes. The texts are UTF-8.
  virtual bool answer(const std::string& title, const std::string& text) = 0;

 protected:
  ~PageQuestions() = default;
};

// The window that holds a page: the parent given to create_instance. Created on first use and
// kept for the player's life; null where there is no window system.
void* page_parent_window();

// The controls of the page's dialog window, in tab order.
std::vector<PageControl> page_controls(void* dialog);

// Clicks control `id` of the dialog the way a user's click does, through the window system.
// False when the dialog has no such control or it is disabled.
bool click_page_control(void* dialog, int id);

// From now on the questions that the page `dialog` asks go to `questions`, which must outlive
// the page or be replaced first (null: each is answered No). One page at a time: the player
// shows one.
void answer_page_questions(void* dialog, PageQuestions* questions);

}  // namespace fbplayer
