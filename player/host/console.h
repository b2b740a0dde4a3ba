// The stand-in player's console, its one console_receiver: keeps every line printed, in order,
// and passes each to an optional sink (the player writes them to standard output). Accepts
// prints from any thread.
#pragma once

#include <cstddef>
#include <functional>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "sdk/console.h"

namespace fbplayer {

struct ConsoleLine {
  std::string text;
  std::thread::id thread;  // the thread that printed it
};

class Console : public console_receiver {
 public:
  void print(const char* text, std::size_t length) override;

  // Called, under the console's lock, with each line as it is printed.
  void set_sink(std::function<void(std::string_view)> sink);
  // Called, outside the lock, after each line has been recorded.
  void set_observer(std::function<void()> observer);

  std::vector<std::string> lines() const;
  std::vector<ConsoleLine> entries() const;
  std::size_t size() const;
  void clear();

 protected:
  ~Console() = default;

 private:
  mutable std::mutex mutex_;
  std::vector<ConsoleLine> lines_;
  std::function<void(std::string_view)> sink_;
  std::function<void()> observer_;
};

}  // namespace fbplayer
