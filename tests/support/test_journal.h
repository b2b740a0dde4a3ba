// A journal for tests of the preferences page (use_page_journal): what waits is what the test
// sets, and it notes what the page does with it. Like the journal, it tells its listeners when
// what waits changed (here at once, on the calling thread).
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <utility>

#include "preferences/page_journal.h"

namespace brivanto_test {

class TestJournal final : public foo_brivanto::PageJournal {
 public:
  void configure(bool enabled, std::string session_key) override {
    log += "configure " + std::to_string(static_cast<int>(enabled)) + " " + session_key + ";";
  }
  foo_brivanto::JournalStatus status() override { return shown; }
  void discard() override {
    log += "discard;";
    set({true, 0, 0});
  }
  std::uint64_t add_listener(std::function<void()> listener) override {
    listeners.emplace(++last_token, std::move(listener));
    return last_token;
  }
  void remove_listener(std::uint64_t token) override { listeners.erase(token); }

  void set(foo_brivanto::JournalStatus status) {
    shown = status;
    const auto called = listeners;
    for (const auto& [token, listener] : called) {
      listener();
    }
  }

  foo_brivanto::JournalStatus shown;  // not loaded yet
  std::string log;
  std::map<std::uint64_t, std::function<void()>> listeners;
  std::uint64_t last_token = 0;
};

}  // namespace brivanto_test
