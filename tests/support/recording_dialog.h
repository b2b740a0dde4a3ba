// A DialogMessages for tests that records every message the preferences dialog's window gets.
#pragma once

#include <algorithm>
#include <cstdint>
#include <iterator>
#include <vector>

#include "preferences/window.h"

namespace brivanto_test {

class RecordingDialog final : public foo_brivanto::DialogMessages {
 public:
  struct Message {
    unsigned message;
    std::uintptr_t wparam;
    std::intptr_t lparam;
  };

  bool on_message(foo_brivanto::WindowHandle /*window*/, unsigned message, std::uintptr_t wparam,
                  std::intptr_t lparam, std::intptr_t& /*result*/) noexcept override {
    messages.push_back({message, wparam, lparam});
    return message == foo_brivanto::kWmInitDialog;
  }

  // The messages received with code `message`, in order.
  std::vector<Message> received(unsigned message) const {
    std::vector<Message> found;
    std::copy_if(messages.begin(), messages.end(), std::back_inserter(found),
                 [message](const Message& m) { return m.message == message; });
    return found;
  }

  // WM_COMMAND notifications with code `code` from control `id`.
  std::size_t commands(int id, unsigned code) const {
    const Message command{foo_brivanto::kWmCommand,
                          static_cast<std::uint16_t>(id) | (std::uintptr_t{code} << 16U), 0};
    return static_cast<std::size_t>(std::count_if(messages.begin(), messages.end(), [&](auto& m) {
      return m.message == command.message && m.wparam == command.wparam;
    }));
  }

  std::vector<Message> messages;
};

}  // namespace brivanto_test
