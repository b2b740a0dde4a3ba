// What the preferences page says about the journal of kept scrobbles: its status line and the
// question Discard asks. English, with dates in the user's local time.
#pragma once

#include <cstddef>
#include <string>

#include "journal/journal.h"

namespace foo_brivanto {

// "Nothing waiting"; "3 scrobbles waiting, the oldest from 7 Dec 2026 14:03"; or, while the
// journal has not been read, a line that says that nothing is known.
std::string journal_status_text(const JournalStatus& status);

// The Yes/No question that Discard asks before it empties a journal of `waiting` scrobbles.
std::string discard_question(std::size_t waiting);

}  // namespace foo_brivanto
