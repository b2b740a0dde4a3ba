// The stand-in player's message boxes: each is recorded and handed to an optional sink (the
// player prints "[popup] title: text"); nothing waits for a click. Main thread.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "sdk/popup_message.h"

namespace fbplayer {

struct Popup {
  std::string title;
  std::string text;
};

class Popups : public popup_message {
 public:
  void show_ex(const char* message, std::size_t message_length, const char* title,
               std::size_t title_length, t_icon icon) override;

  void set_sink(std::function<void(const Popup&)> sink) { sink_ = std::move(sink); }
  const std::vector<Popup>& shown() const { return shown_; }
  void clear() { shown_.clear(); }

 protected:
  ~Popups() = default;

 private:
  std::vector<Popup> shown_;
  std::function<void(const Popup&)> sink_;
};

}  // namespace fbplayer
