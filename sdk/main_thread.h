// Running work on the player's main thread.
//
// The player runs every callback, every playback event and the preferences page on its main
// thread; a background thread that needs any of that queues a task with run_in_main_thread.
#pragma once

#include <functional>

#include "sdk/abi.h"
#include "sdk/service.h"

// A task queued for the main thread. The player runs callback_run once, on the main thread,
// then releases its reference.
class main_thread_callback : public service_base {
 public:
  static constexpr GUID class_guid = {
      0x87d2c583, 0x7afb, 0x4e58, {0xb2, 0x1e, 0xfb, 0xd3, 0xe6, 0xe8, 0xf5, 0xe7}};
  using service_parent = service_base;

  virtual void callback_run() = 0;

 protected:
  ~main_thread_callback() = default;
};

// Player service: the main thread's task queue. add_callback may be called from any thread; it
// adopts the reference that the argument carries and returns at once.
class main_thread_callback_manager : public service_base {
 public:
  static constexpr GUID class_guid = {
      0x1131d64b, 0x04cb, 0x43ee, {0x95, 0xeb, 0x24, 0xd1, 0x8b, 0x75, 0x32, 0x48}};
  using service_parent = service_base;

  virtual void add_callback(service_arg<main_thread_callback> callback) = 0;

 protected:
  ~main_thread_callback_manager() = default;
};

// Queues `task` to run once, later, on the main thread; callable from any thread. The task
// object is owned by the player's queue and destroyed after it has run. Dropped unrun while
// main-thread tasks are stopped, or when the player offers no queue.
void run_in_main_thread(std::function<void()> task);

// When the player quits, it may unload the component as soon as on_quit has returned, and a
// task handed to it after that would point into code that is gone. From
// stop_main_thread_tasks on, run_in_main_thread hands the player nothing (a background thread
// that is about to queue a task either has done so before the call returns or drops it);
// start_main_thread_tasks, at start-up, accepts tasks again. Main thread.
void stop_main_thread_tasks();
void start_main_thread_tasks();
