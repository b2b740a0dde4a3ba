#include "sdk/boundary.h"

#include <exception>
#include <string>

#include "sdk/console.h"

namespace sdk_detail {

void report_stopped_exception(const char* slot) noexcept {
  try {
    std::string line = "foo_brivanto: internal error in ";
    line.append(slot).append(": ");
    try {
      throw;
    } catch (const std::exception& e) {
      line.append(e.what());
    } catch (...) {
      line.append("unknown exception");
    }
    console::print(line);
  } catch (...) {  // NOLINT(bugprone-empty-catch): not even the report could be made
  }
}

}  // namespace sdk_detail
