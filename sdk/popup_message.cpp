#include "sdk/popup_message.h"

#include "sdk/core_api.h"

void popup_message::g_show(const char* message, const char* title) {
  if (const auto popups = standard_api_get<popup_message>()) {
    popups->show_ex(message, ~std::size_t{0}, title, ~std::size_t{0}, icon_information);
  }
}
