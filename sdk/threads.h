// Background threads for work that must not block the main thread (network requests).
#pragma once

#include <functional>

// Runs `task` once on a new detached thread with the priority of the calling thread, and
// returns at once; nobody waits for the thread. Returns false, without running the task, when
// no thread could be started.
//
// The player may unload the component while such a thread still runs (it quits while a request
// is in flight), so on Windows each thread holds a reference on the component's module from
// before it starts until its very end, and lets go of it in the same call that ends it: the
// module's code stays mapped for as long as the thread can run it. (Elsewhere the library is
// built never to be unloaded.)
//
// The task must catch its own exceptions and report them; one that escapes anyway is swallowed
// here, so that a failed background job can never end the player.
bool run_in_thread(std::function<void()> task);
