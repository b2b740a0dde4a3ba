#include "preferences/journal_panel.h"

#include "preferences/journal_texts.h"

namespace foo_brivanto {

void JournalPanel::open(WindowHandle window) {
  close();
  window_ = window;
  // The listener names the window, not this object: the window system ignores a window that
  // is gone, should the journal ever call late.
  listener_ =
      journal_.add_listener([window, journal = &journal_] { show(window, journal->status()); });
  show(window_, journal_.status());
}

void JournalPanel::close() {
  if (listener_) {
    journal_.remove_listener(*listener_);
    listener_.reset();
  }
  window_ = kNoWindow;
}

void JournalPanel::on_discard() {
  if (window_ == kNoWindow) {
    return;
  }
  const JournalStatus status = journal_.status();
  if (status.loaded && status.waiting > 0 &&
      ask_yes_no(window_, discard_question(status.waiting), "foo_brivanto")) {
    journal_.discard();
  }
  show(window_, journal_.status());
}

void JournalPanel::show(WindowHandle window, const JournalStatus& status) {
  set_control_text(window, kIdcJournalStatus, journal_status_text(status));
  enable_control(window, kIdcDiscard, status.loaded && status.waiting > 0);
}

}  // namespace foo_brivanto
