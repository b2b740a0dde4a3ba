#include "player/host/popups.h"

#include "sdk/string_base.h"

namespace fbplayer {
namespace {

std::string text_of(const char* text, std::size_t length) {
  return std::string(pfc::bounded_text(text, length));
}

}  // namespace

void Popups::show_ex(const char* message, std::size_t message_length, const char* title,
                     std::size_t title_length, t_icon /*icon*/) {
  shown_.push_back(Popup{text_of(title, title_length), text_of(message, message_length)});
  if (sink_) {
    sink_(shown_.back());
  }
}

}  // namespace fbplayer
