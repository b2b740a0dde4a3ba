// The preferences dialog's controls as one table: what the Linux window is built from, and
// what tests compare the Windows dialog (made from the same ids, texts and places by windres)
// against.
#pragma once

#include <string>
#include <vector>

#include "preferences/dialog_ids.h"

namespace foo_brivanto {

// A rectangle in dialog units.
struct DialogRect {
  int x;
  int y;
  int width;
  int height;
};

// The page's size in dialog units.
inline constexpr int kPageWidth = PAGE_WIDTH;
inline constexpr int kPageHeight = PAGE_HEIGHT;

struct PageControl {
  int id;                    // -1 for the static texts that never change
  const char* window_class;  // "BUTTON" or "STATIC"
  std::string text;          // UTF-8
  bool auto_check_box;       // toggles itself when clicked
  DialogRect place;          // in the page
};

// The controls in tab order, their texts naming the service this build talks to.
std::vector<PageControl> page_controls();

}  // namespace foo_brivanto
