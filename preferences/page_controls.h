// The preferences dialog's five controls as one table: what the Linux window is built from,
// and what tests compare the Windows dialog (made from the same ids and texts by windres)
// against.
#pragma once

#include <string>
#include <vector>

namespace foo_brivanto {

struct PageControl {
  int id;                    // -1 for the static texts
  const char* window_class;  // "BUTTON" or "STATIC"
  std::string text;          // UTF-8
  bool auto_check_box;       // toggles itself when clicked
};

// The controls in tab order, their texts naming the service this build talks to.
std::vector<PageControl> page_controls();

}  // namespace foo_brivanto
