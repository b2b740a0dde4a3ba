// What the HTTP tests ask of the platform (platform_posix.cpp, platform_win32.cpp).
#pragma once

namespace foo_brivanto {

// The number of threads of this process.
int process_thread_count();

// Whether the Windows build runs under Wine, whose TLS does not take the test authority.
bool under_wine();

}  // namespace foo_brivanto
