// What is wrong with a dialog's layout: a control without area, one that leaves the page, or
// two that overlap. For tests of the preferences page, in dialog units or in pixels.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace brivanto_test {

struct PlacedControl {
  std::string name;
  int left;
  int top;
  int right;  // one past the last column and row, as Windows counts
  int bottom;
};

// One line per fault; none for a sound layout in a page of `width` × `height`.
inline std::vector<std::string> layout_faults(const std::vector<PlacedControl>& controls, int width,
                                              int height) {
  std::vector<std::string> faults;
  for (std::size_t i = 0; i < controls.size(); ++i) {
    const PlacedControl& a = controls[i];
    if (a.left >= a.right || a.top >= a.bottom) {
      faults.push_back(a.name + " has no area");
    }
    if (a.left < 0 || a.top < 0 || a.right > width || a.bottom > height) {
      faults.push_back(a.name + " leaves the page");
    }
    for (std::size_t j = i + 1; j < controls.size(); ++j) {
      const PlacedControl& b = controls[j];
      if (a.left < b.right && b.left < a.right && a.top < b.bottom && b.top < a.bottom) {
        faults.push_back(a.name + " overlaps " + b.name);
      }
    }
  }
  return faults;
}

}  // namespace brivanto_test
