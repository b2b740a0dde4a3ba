// The host's message boxes.
#pragma once

#include <cstddef>
#include <string_view>

#include "sdk/service.h"

// Host service: shows a message to the user. Main thread.
class popup_message : public service_base {
 public:
  static constexpr GUID class_guid = {
      0x47e22dab, 0x439b, 0x430d, {0xb0, 0xe6, 0xaf, 0x1b, 0x30, 0x38, 0x14, 0x59}};
  using service_parent = service_base;

  enum icon : int { icon_information = 0, icon_error = 1 };

  // Lengths of ~0 mean "up to the terminating NUL". Texts are UTF-8.
  virtual void show(const char* message, std::size_t message_length, const char* title,
                    std::size_t title_length, icon icon_code) = 0;

  // Shows `message` under `title` with the information icon, both passed NUL-terminated.
  static void g_show(const char* message, const char* title);

 protected:
  ~popup_message() = default;
};
