// The player's message boxes.
#pragma once

#include <cstddef>

#include "sdk/service.h"

// Player service: shows a message to the user and returns at once. Main thread.
class popup_message : public service_base {
 public:
  static constexpr GUID class_guid = {
      0xd5cac75a, 0x3023, 0x4dce, {0x8b, 0x0d, 0xb5, 0x02, 0xbd, 0x05, 0x6a, 0x7c}};
  using service_parent = service_base;

  enum t_icon : int { icon_information = 0, icon_error = 1, icon_query = 2 };

  // Texts are UTF-8, each up to its length or its first NUL (a length of ~0: NUL-terminated).
  virtual void show_ex(const char* message, std::size_t message_length, const char* title,
                       std::size_t title_length, t_icon icon) = 0;

  // Shows `message` under `title` with the information icon, both passed NUL-terminated.
  // Nothing when the player offers no message boxes.
  static void g_show(const char* message, const char* title);

 protected:
  ~popup_message() = default;
};
