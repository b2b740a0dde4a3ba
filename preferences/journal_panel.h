// The page's part about kept scrobbles, under its check box: the status line, which follows
// the journal while the page is open, and Discard, which empties the journal once the user
// said Yes. Discard is disabled while nothing waits (or nothing is known), and a click that
// comes all the same does nothing. One per page; main thread only.
#pragma once

#include <cstdint>
#include <optional>

#include "preferences/page_journal.h"
#include "preferences/window.h"

namespace foo_brivanto {

class JournalPanel {
 public:
  explicit JournalPanel(PageJournal& journal) : journal_(journal) {}
  ~JournalPanel() { close(); }
  JournalPanel(const JournalPanel&) = delete;
  JournalPanel& operator=(const JournalPanel&) = delete;

  // The page's window is open: shows what waits, and again whenever the journal changes.
  void open(WindowHandle window);
  // The window is going away: the journal's changes no longer reach it.
  void close();
  // Discard was clicked: asks, and on Yes empties the journal.
  void on_discard();

 private:
  static void show(WindowHandle window, const JournalStatus& status);

  PageJournal& journal_;
  WindowHandle window_ = kNoWindow;
  std::optional<std::uint64_t> listener_;
};

}  // namespace foo_brivanto
