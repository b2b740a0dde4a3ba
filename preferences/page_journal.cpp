#include "preferences/page_journal.h"

#include <utility>

namespace foo_brivanto {
namespace {

// The component's journal, as journal/journal.h offers it.
class ComponentJournal final : public PageJournal {
 public:
  void configure(bool enabled, std::string session_key) override {
    configure_journal(enabled, std::move(session_key));
  }
  JournalStatus status() override { return journal_status(); }
  void discard() override { discard_journal(); }
  std::uint64_t add_listener(std::function<void()> listener) override {
    return add_journal_listener(std::move(listener));
  }
  void remove_listener(std::uint64_t token) override { remove_journal_listener(token); }
};

PageJournal* g_given = nullptr;

}  // namespace

PageJournal& page_journal() {
  static ComponentJournal component;
  return g_given != nullptr ? *g_given : component;
}

void use_page_journal(PageJournal* journal) {
  g_given = journal;
}

}  // namespace foo_brivanto
