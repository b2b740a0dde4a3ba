#include "player/page_window.h"
#include "sdk/headless_window.h"

namespace fbplayer {

// Without a window system the page's window is the component's headless_window.

void* page_parent_window() {
  return nullptr;
}

std::vector<PageControl> page_controls(void* dialog) {
  auto& window = *static_cast<headless_window*>(dialog);
  std::vector<PageControl> controls;
  for (std::size_t i = 0; i < window.control_count(); ++i) {
    const headless_window::control c = window.control_at(i);
    controls.push_back({c.id, c.text, c.check_state});
  }
  return controls;
}

bool click_page_control(void* dialog, int id) {
  auto& window = *static_cast<headless_window*>(dialog);
  for (std::size_t i = 0; i < window.control_count(); ++i) {
    if (window.control_at(i).id == id) {
      window.click(id);
      return true;
    }
  }
  return false;
}

}  // namespace fbplayer
