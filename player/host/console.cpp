#include "player/host/console.h"

#include <utility>

#include "sdk/string_base.h"

namespace fbplayer {

void Console::print(const char* text, std::size_t length) {
  std::function<void()> observer;
  {
    const std::lock_guard lock(mutex_);
    // The length bounds the text, and so does a NUL before it (~0: a NUL-terminated text).
    std::string line(pfc::bounded_text(text, length));
    lines_.push_back(ConsoleLine{std::move(line), std::this_thread::get_id()});
    if (sink_) {
      sink_(lines_.back().text);
    }
    observer = observer_;
  }
  if (observer) {
    observer();
  }
}

void Console::set_observer(std::function<void()> observer) {
  const std::lock_guard lock(mutex_);
  observer_ = std::move(observer);
}

void Console::set_sink(std::function<void(std::string_view)> sink) {
  const std::lock_guard lock(mutex_);
  sink_ = std::move(sink);
}

std::vector<std::string> Console::lines() const {
  const std::lock_guard lock(mutex_);
  std::vector<std::string> texts;
  texts.reserve(lines_.size());
  for (const ConsoleLine& line : lines_) {
    texts.push_back(line.text);
  }
  return texts;
}

std::vector<ConsoleLine> Console::entries() const {
  const std::lock_guard lock(mutex_);
  return lines_;
}

std::size_t Console::size() const {
  const std::lock_guard lock(mutex_);
  return lines_.size();
}

void Console::clear() {
  const std::lock_guard lock(mutex_);
  lines_.clear();
}

}  // namespace fbplayer
