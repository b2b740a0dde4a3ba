// Background threads for work that must not block the main thread (network requests).
#pragma once

#include <functional>

// Runs `task` once on a new detached thread with the priority of the calling thread, and
// returns at once; nobody waits for the thread. Returns false, without running the task, when
// no thread could be started.
//
// The task must catch its own exceptions and report them; one that escapes anyway is swallowed
// here, so that a failed background job can never end the player.
bool run_in_thread(std::function<void()> task);
