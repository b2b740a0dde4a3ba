// Running work on the host's main thread.
//
// The host runs every callback, every playback event and the preferences page on its main
// thread; a background thread that needs any of that queues a task with run_in_main_thread.
#pragma once

#include <functional>

#include "sdk/service.h"

// A task queued for the main thread. The host runs callback_run once, on the main thread, then
// releases its reference.
class main_thread_callback : public service_base {
 public:
  static constexpr GUID class_guid = {
      0x6c81a9ed, 0x8443, 0x4caf, {0xb1, 0xd8, 0x45, 0xe9, 0xcf, 0x6d, 0xb2, 0x84}};
  using service_parent = service_base;

  virtual void callback_run() = 0;

 protected:
  ~main_thread_callback() = default;
};

// Host service: the main thread's task queue. add_callback may be called from any thread; it
// takes a reference and returns at once.
class main_thread_callback_manager : public service_base {
 public:
  static constexpr GUID class_guid = {
      0x6aff587d, 0x17a4, 0x42ec, {0x8d, 0xaa, 0xd4, 0x0d, 0x8a, 0xff, 0x97, 0x54}};
  using service_parent = service_base;

  virtual void add_callback(const service_ptr_t<main_thread_callback>& callback) = 0;

 protected:
  ~main_thread_callback_manager() = default;
};

// Queues `task` to run once, later, on the main thread; callable from any thread. The task
// object is owned by the queue and destroyed after it has run.
void run_in_main_thread(std::function<void()> task);
