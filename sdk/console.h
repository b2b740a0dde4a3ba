// The player's console: the lines a user reads under View → Console.
//
// console::print may be called from any thread. Output is dropped while the player has not
// made its services available (see core_api).
#pragma once

#include <cstddef>
#include <string_view>

#include "sdk/service.h"

// Player service: shows UTF-8 text in the console. The player may have several (its console
// window, and receivers of other components); a line goes to each. Any thread.
class console_receiver : public service_base {
 public:
  static constexpr GUID class_guid = {
      0x90df5270, 0x65bb, 0x4dba, {0xba, 0xf5, 0x86, 0xbe, 0x9e, 0x59, 0xdc, 0x20}};
  using service_parent = service_base;

  // `text` holds up to `length` bytes of UTF-8 (fewer when a NUL comes first); borrowed for
  // the call.
  virtual void print(const char* text, std::size_t length) = 0;

 protected:
  ~console_receiver() = default;
};

namespace console {

// Prints `line` as one console line, exactly as given (no line break added).
void print(std::string_view line);

}  // namespace console
