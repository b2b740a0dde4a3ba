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
};

// The window that holds a page: the parent given to create_instance. Created on first use and
// kept for the player's life; null where there is no window system.
void* page_parent_window();

// The controls of the page's dialog window, in tab order.
std::vector<PageControl> page_controls(void* dialog);

// Clicks control `id` of the dialog the way a user's click does, through the window system.
// False when the dialog has no such control.
bool click_page_control(void* dialog, int id);

}  // namespace fbplayer
