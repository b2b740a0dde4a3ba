// What the tests of the exchange's limits ask of the platform about threads.
#pragma once

namespace foo_brivanto {

// The number of threads of this process.
int process_thread_count();

// Whether closing a pending call's request ends the call at once. Wine's WinHTTP ends it only
// when the server stops or a per-wait time-out passes; there the total limit takes effect
// when the call returns.
bool pending_calls_end_at_limit();

}  // namespace foo_brivanto
