// The host's console: the lines a user reads under View → Console.
//
// console::print may be called from any thread. Output is dropped while the host has not yet
// made its services available (see core_api).
#pragma once

#include <cstddef>
#include <string_view>

#include "sdk/service.h"

// Host service: shows one UTF-8 line in the console. Implementations accept calls from any
// thread.
class console_manager : public service_base {
 public:
  static constexpr GUID class_guid = {
      0xb92b474f, 0x72c6, 0x46c3, {0x9d, 0xf8, 0x47, 0xd6, 0x3d, 0xa4, 0x95, 0xfe}};
  using service_parent = service_base;

  // `text` holds `length` bytes of UTF-8 and is only borrowed for the call.
  virtual void print(const char* text, std::size_t length) = 0;

 protected:
  ~console_manager() = default;
};

namespace console {

// Prints `line` as one console line, exactly as given (no line break added).
void print(std::string_view line);

}  // namespace console
