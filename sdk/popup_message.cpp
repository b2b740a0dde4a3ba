#include "sdk/popup_message.h"

#include "sdk/core_api.h"

void popup_message::g_show(const char* message, const char* title) {
  standard_api_create_t<popup_message>()->show(message, ~std::size_t{0}, title, ~std::size_t{0},
                                               icon_information);
}
