// A DialogMessages for tests that create the preferences dialog's window: records every
// message it receives, answers WM_INITDIALOG with a result the test chooses, and leaves every
// other message to the default dialog handling.
#pragma once

#include <cstdint>
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

  explicit RecordingDialog(std::intptr_t init_dialog_result = 0)
      : init_dialog_result_(init_dialog_result) {}

  bool on_message(foo_brivanto::WindowHandle window, unsigned message, std::uintptr_t wparam,
                  std::intptr_t lparam, std::intptr_t& result) noexcept override {
    messages_.push_back({message, wparam, lparam});
    if (message != foo_brivanto::kWmInitDialog) {
      return false;
    }
    if (destroy_on_init_) {
      foo_brivanto::destroy_window(window);
    }
    result = init_dialog_result_;
    return true;
  }

  // Makes the window destroy itself while it handles WM_INITDIALOG.
  void destroy_on_init() { destroy_on_init_ = true; }

  const std::vector<Message>& messages() const { return messages_; }

  // The messages received with code `message`, in order.
  std::vector<Message> received(unsigned message) const {
    std::vector<Message> found;
    for (const Message& m : messages_) {
      if (m.message == message) {
        found.push_back(m);
      }
    }
    return found;
  }

  // WM_COMMAND notifications with code `code` from control `id`.
  std::size_t commands(int id, unsigned code) const {
    std::size_t count = 0;
    for (const Message& m : received(foo_brivanto::kWmCommand)) {
      const auto control = static_cast<int>(static_cast<std::int16_t>(m.wparam & 0xFFFF));
      const auto notification = static_cast<unsigned>((m.wparam >> 16) & 0xFFFF);
      count += control == id && notification == code ? 1 : 0;
    }
    return count;
  }

 private:
  std::intptr_t init_dialog_result_;
  bool destroy_on_init_ = false;
  std::vector<Message> messages_;
};

}  // namespace brivanto_test
