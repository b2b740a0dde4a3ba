// The objects the host hands to the component, as the player implements them: the player's API,
// its console, main-thread queue, playback callbacks, popup messages, and the preferences
// page's callback. Every service counts the references the component takes and drops, so
// that the end of the run can show each back where it started; a slot the component has no
// business calling ends the run, naming the slot, since that is how a slot that sits in
// another place in the component's vtable shows up.
#pragma once

#include "player_abi.h"
#include "runtime.h"

namespace host {

// A slot the component called although it never should: fatal, with its place in the vtable.
[[noreturn]] void unexpected_slot(const char* interface, int slot, const char* name);

// The reference count of one object the host hands out. `start` is the host's own reference;
// the component's references come and go on top of it.
struct References {
  const char* name = "";
  volatile long count = 1;
  long start = 1;
  volatile long peak = 1;
  volatile long taken = 0;
  References* next = nullptr;
};
// Prints every object's count at the end (start, end, peak, references taken); true when each
// is back at its start.
bool report_references();

// service_base for the host's objects: counting, and service_query for the one interface.
template <class I>
class Counted : public I {
 public:
  explicit Counted(const char* name);

  int service_add_ref() noexcept override;
  int service_release() noexcept override;
  bool service_query(player::service_ptr_t<player::service_base>& out,
                     const player::GUID& guid) override;

  long references() const { return refs_.count; }

 private:
  References refs_;
};

// The main thread's wake-up: set whenever something arrives that the main loop should look at
// (a queued callback, a console line, a library leaving the process).
HANDLE wake_event();
DWORD main_thread_id();
bool on_main_thread();

class Console final : public Counted<player::console_receiver> {
 public:
  explicit Console(const char* name) : Counted(name) {}
  void print(const char* text, size_t size) override;

  size_t line_count();
  Text line(size_t index);
  // Lines printed on another thread than the main one.
  size_t off_main_thread();

 private:
  SrwLock lock_;
  List<Text> lines_;
  size_t off_main_thread_ = 0;
};

class MainThreadQueue final : public Counted<player::main_thread_callback_manager> {
 public:
  MainThreadQueue() : Counted("main_thread_callback_manager") {}
  void add_callback(player::main_thread_callback::ptr callback) override;

  // Runs what is queued, on the main thread; returns how many ran.
  size_t run_pending();
  // From now on nothing may be queued (the component was told to quit); what is still queued
  // is released without running, as a player that is shutting down does.
  size_t close_and_release();
  size_t ran() const { return ran_; }
  size_t queued_off_main_thread() const { return off_main_thread_; }

 private:
  SrwLock lock_;
  List<player::main_thread_callback::ptr> pending_;
  bool closed_ = false;
  size_t ran_ = 0;
  size_t off_main_thread_ = 0;
};

class PlaybackCallbacks final : public Counted<player::play_callback_manager> {
 public:
  PlaybackCallbacks() : Counted("play_callback_manager") {}
  void register_callback(player::play_callback* callback, unsigned flags,
                         bool forward_status) override;
  void unregister_callback(player::play_callback* callback) override;

  size_t registered() const { return callbacks_.size(); }
  unsigned flags() const { return callbacks_.size() == 1 ? callbacks_[0].flags : 0; }
  // The one registered callback, if it asked for `flag`.
  player::play_callback* wants(unsigned flag) const;

 private:
  struct Registration {
    player::play_callback* callback;
    unsigned flags;
  };
  List<Registration> callbacks_;
};

struct Popup {
  Text title;
  Text text;
  int icon;
};

class Popups final : public Counted<player::popup_message> {
 public:
  Popups() : Counted("popup_message") {}
  void show_ex(const char* text, size_t text_size, const char* title, size_t title_size,
               icon kind) override;

  List<Popup>& shown() { return shown_; }

 private:
  List<Popup> shown_;
};

class PageCallback final : public Counted<player::preferences_page_callback> {
 public:
  PageCallback() : Counted("preferences_page_callback") {}
  void on_state_changed() override;

  size_t calls() const { return calls_; }

 private:
  size_t calls_ = 0;
};

// A string the component fills: pfc::string_base, all seven slots.
class HostString final : public player::string_base {
 public:
  HostString() = default;
  HostString(const HostString&) = delete;
  HostString& operator=(const HostString&) = delete;
  ~HostString() = default;

  void add_string(const char* text, size_t size) override;
  const char* get_ptr() const override { return text_.c_str(); }
  void set_string(const char* text, size_t size) override;
  void truncate(size_t size) override { text_.truncate(size); }
  size_t get_length() const override { return text_.size(); }
  char* lock_buffer(size_t size) override;
  void unlock_buffer() override;

  const Text& text() const { return text_; }

 private:
  Text text_;
  bool locked_ = false;
};

// The text of (text, size) as the SDK passes it: up to `size` bytes, or to the first NUL when
// that comes first (SIZE_MAX and similar stand for "all of it").
Text bounded_text(const char* text, size_t size);

// The player's cancellation, never set: what get_config and set_config hand on.
class HostAbort final : public player::abort_callback {
 public:
  HostAbort() : event_(CreateEventW(nullptr, 1, 0, nullptr)) {}
  HostAbort(const HostAbort&) = delete;
  HostAbort& operator=(const HostAbort&) = delete;
  ~HostAbort() { CloseHandle(event_); }

  bool is_aborting() const override { return false; }
  HANDLE get_abort_event() const override { return event_; }

 private:
  HANDLE event_;
};

// The configuration stream in both directions. Each call must carry the abort_callback that the
// player handed to get_config or set_config: another one, or none, means the component's slot
// has another list of arguments.
class ConfigWriter final : public player::stream_writer {
 public:
  explicit ConfigWriter(const player::abort_callback& abort) : abort_(abort) {}
  void write(const void* buffer, size_t size, player::abort_callback& abort) override;

  const Text& bytes() const { return bytes_; }
  size_t calls() const { return calls_; }

 private:
  const player::abort_callback& abort_;
  Text bytes_;
  size_t calls_ = 0;
};

class ConfigReader final : public player::stream_reader {
 public:
  ConfigReader(const Text& bytes, const player::abort_callback& abort)
      : bytes_(bytes), abort_(abort) {}
  size_t read(void* buffer, size_t size, player::abort_callback& abort) override;
  void read_object(void* buffer, size_t size, player::abort_callback& abort) override;
  uint64_t skip(uint64_t size, player::abort_callback& abort) override;
  void skip_object(uint64_t size, player::abort_callback& abort) override;

  size_t calls() const { return calls_; }
  size_t left() const { return bytes_.size() - position_; }

 private:
  void check_abort(const player::abort_callback& abort, const char* slot);

  const Text& bytes_;
  const player::abort_callback& abort_;
  size_t position_ = 0;
  size_t calls_ = 0;
};

}  // namespace host
