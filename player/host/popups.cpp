#include "player/host/popups.h"

#include <cstring>

namespace fbplayer {
namespace {

// A length of ~0 stands for "up to the terminating NUL".
std::string text_of(const char* text, std::size_t length) {
  if (text == nullptr) {
    return {};
  }
  return length == ~std::size_t{0} ? std::string(text) : std::string(text, length);
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
