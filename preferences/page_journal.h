// What the preferences page uses of the journal of kept scrobbles (journal/journal.h), behind
// an interface, so that tests can open pages on a journal of their own. Main thread only.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "journal/journal.h"

namespace foo_brivanto {

class PageJournal {
 public:
  // configure_journal, journal_status, discard_journal, add_journal_listener and
  // remove_journal_listener.
  virtual void configure(bool enabled, std::string session_key) = 0;
  virtual JournalStatus status() = 0;
  virtual void discard() = 0;
  virtual std::uint64_t add_listener(std::function<void()> listener) = 0;
  virtual void remove_listener(std::uint64_t token) = 0;

 protected:
  ~PageJournal() = default;
};

// The journal that pages opened from now on use: the component's own, or the one a test gave.
PageJournal& page_journal();

// For tests: pages opened from now on use `journal`, which must outlive them; null gives them
// the component's own again.
void use_page_journal(PageJournal* journal);

}  // namespace foo_brivanto
