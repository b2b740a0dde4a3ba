#include "host_objects.h"

#include "track.h"

namespace host {
namespace {

SrwLock g_references_lock;
References* g_references = nullptr;
HANDLE g_wake = nullptr;
DWORD g_main_thread = 0;

void remember(References& refs) {
  const Lock lock(g_references_lock);
  refs.next = g_references;
  g_references = &refs;
}

}  // namespace

void unexpected_slot(const char* interface, int slot, const char* name) {
  fatal(Text("the component called ")
        << interface << " slot " << slot << " (" << name << "), which it never uses: its vtable of "
        << interface << " is laid out otherwise than the player's");
}

HANDLE wake_event() {
  if (g_wake == nullptr) {
    g_wake = CreateEventW(nullptr, 0, 0, nullptr);
    g_main_thread = GetCurrentThreadId();
  }
  return g_wake;
}

DWORD main_thread_id() {
  return g_main_thread;
}

bool on_main_thread() {
  return GetCurrentThreadId() == g_main_thread;
}

bool report_references() {
  out("references at the end (start -> end, highest, add_ref calls):");
  bool balanced = true;
  const Lock lock(g_references_lock);
  // Listed in the order they were made.
  List<References*> all;
  for (References* refs = g_references; refs != nullptr; refs = refs->next) {
    all.push(refs);
  }
  for (size_t i = all.size(); i-- > 0;) {
    const References& refs = *all[i];
    const bool back = refs.count == refs.start;
    balanced = balanced && back;
    Text line("  ");
    line << refs.name;
    do {
      line << " ";
    } while (line.size() < 44);
    line << refs.start << " -> " << refs.count << ", highest " << refs.peak << ", add_ref "
         << refs.taken << (back ? "" : "   <- NOT BACK");
    out(line);
  }
  return balanced;
}

template <class I>
Counted<I>::Counted(const char* name) {
  refs_.name = name;
  remember(refs_);
}

template <class I>
int Counted<I>::service_add_ref() noexcept {
  atomic_add(refs_.taken, 1);
  const int count = atomic_add(refs_.count, 1);
  long peak = refs_.peak;
  while (count > peak && !__atomic_compare_exchange_n(&refs_.peak, &peak, count, false,
                                                      __ATOMIC_SEQ_CST, __ATOMIC_SEQ_CST)) {
  }
  return count;
}

template <class I>
int Counted<I>::service_release() noexcept {
  const int count = atomic_add(refs_.count, -1);
  if (count < refs_.start) {
    fail(Text("the component released a reference to ")
         << refs_.name << " that it never took (count " << count << ", the host holds "
         << refs_.start << ")");
  }
  return count;
}

template <class I>
bool Counted<I>::service_query(player::service_ptr_t<player::service_base>& out,
                               const player::GUID& guid) {
  if (guid == I::class_guid) {
    out = player::service_ptr_t<player::service_base>(this);
    return true;
  }
  return false;
}

template class Counted<player::console_receiver>;
template class Counted<player::main_thread_callback_manager>;
template class Counted<player::play_callback_manager>;
template class Counted<player::popup_message>;
template class Counted<player::preferences_page_callback>;
template class Counted<player::metadb_handle>;
template class Counted<player::metadb_info_container>;

void Console::print(const char* text, size_t size) {
  {
    const Lock lock(lock_);
    lines_.push(bounded_text(text, size));
    if (!on_main_thread()) {
      ++off_main_thread_;
    }
  }
  SetEvent(wake_event());
}

size_t Console::line_count() {
  const Lock lock(lock_);
  return lines_.size();
}

Text Console::line(size_t index) {
  const Lock lock(lock_);
  return lines_[index];
}

size_t Console::off_main_thread() {
  const Lock lock(lock_);
  return off_main_thread_;
}

void MainThreadQueue::add_callback(player::main_thread_callback::ptr callback) {
  // `callback` is this function's own: the player's compiler has the callee destroy an argument
  // passed by value, so the copy kept below is the queue's reference and `callback` goes when
  // this function returns.
  {
    const Lock lock(lock_);
    if (!on_main_thread()) {
      ++off_main_thread_;
    }
    if (closed_) {
      fail("the component queued a main-thread callback after on_quit returned");
      return;
    }
    pending_.push(callback);
  }
  SetEvent(wake_event());
}

size_t MainThreadQueue::run_pending() {
  size_t count = 0;
  for (;;) {
    player::main_thread_callback::ptr next;
    {
      const Lock lock(lock_);
      if (pending_.size() == 0) {
        break;
      }
      next = pending_[0];
      pending_.erase(0);
    }
    CALL_COMPONENT("main_thread_callback::callback_run", next->callback_run());
    ++count;
  }
  ran_ += count;
  return count;
}

size_t MainThreadQueue::close_and_release() {
  List<player::main_thread_callback::ptr> dropped;
  {
    const Lock lock(lock_);
    closed_ = true;
    while (pending_.size() > 0) {
      dropped.push(pending_[0]);
      pending_.erase(0);
    }
  }
  return dropped.size();  // released here, outside the lock: a release runs component code
}

void PlaybackCallbacks::register_callback(player::play_callback* callback, unsigned flags,
                                          bool forward_status) {
  check(on_main_thread(), "play_callback_manager::register_callback off the main thread");
  check(!forward_status, "register_callback asked for the playback status, which nobody reads");
  callbacks_.push(Registration{callback, flags});
}

void PlaybackCallbacks::unregister_callback(player::play_callback* callback) {
  check(on_main_thread(), "play_callback_manager::unregister_callback off the main thread");
  for (size_t i = 0; i < callbacks_.size(); ++i) {
    if (callbacks_[i].callback == callback) {
      callbacks_.erase(i);
      return;
    }
  }
  fail("unregister_callback with a callback that was never registered");
}

player::play_callback* PlaybackCallbacks::wants(unsigned flag) const {
  if (callbacks_.size() != 1 || (callbacks_[0].flags & flag) == 0) {
    return nullptr;
  }
  return callbacks_[0].callback;
}

void Popups::show_ex(const char* text, size_t text_size, const char* title, size_t title_size,
                     icon kind) {
  check(on_main_thread(), "popup_message::show_ex off the main thread");
  Popup popup{bounded_text(title, title_size), bounded_text(text, text_size),
              static_cast<int>(kind)};
  out(Text("[popup] ") << popup.title << ": " << popup.text);
  shown_.push(move(popup));
}

void PageCallback::on_state_changed() {
  check(on_main_thread(), "preferences_page_callback::on_state_changed off the main thread");
  ++calls_;
}

Text bounded_text(const char* text, size_t size) {
  size_t length = 0;
  while (length < size && text[length] != '\0') {
    ++length;
  }
  return {text, length};
}

void HostString::add_string(const char* text, size_t size) {
  text_ << bounded_text(text, size);
}

void HostString::set_string(const char* text, size_t size) {
  text_ = bounded_text(text, size);  // a copy first: the text may be our own
}

char* HostString::lock_buffer(size_t size) {
  locked_ = true;
  char* buffer = text_.reserve_exact(size);
  memset(buffer, 0, size);
  return buffer;
}

void HostString::unlock_buffer() {
  if (locked_) {
    text_.truncate(strlen(text_.c_str()));
    locked_ = false;
  }
}

void ConfigWriter::write(const void* buffer, size_t size, player::abort_callback& abort) {
  ++calls_;
  if (&abort != &abort_) {
    fatal("stream_writer::write got another abort_callback than the player gave get_config");
  }
  bytes_.append(static_cast<const char*>(buffer), size);
}

void ConfigReader::check_abort(const player::abort_callback& abort, const char* slot) {
  ++calls_;
  if (&abort != &abort_) {
    fatal(Text("stream_reader::") << slot
                                  << " got another abort_callback than the player gave set_config");
  }
}

size_t ConfigReader::read(void* buffer, size_t size, player::abort_callback& abort) {
  check_abort(abort, "read");
  const size_t count = size < left() ? size : left();
  memcpy(buffer, bytes_.c_str() + position_, count);
  position_ += count;
  return count;
}

// The object forms fail when the stream ends early; an exception cannot cross the boundary
// here, so that ends the run: the component asked for bytes the configuration does not have.
void ConfigReader::read_object(void* buffer, size_t size, player::abort_callback& abort) {
  check_abort(abort, "read_object");
  if (size > left()) {
    fatal("stream_reader::read_object past the end of the configuration");
  }
  memcpy(buffer, bytes_.c_str() + position_, size);
  position_ += size;
}

uint64_t ConfigReader::skip(uint64_t size, player::abort_callback& abort) {
  check_abort(abort, "skip");
  const uint64_t count = size < left() ? size : left();
  position_ += static_cast<size_t>(count);
  return count;
}

void ConfigReader::skip_object(uint64_t size, player::abort_callback& abort) {
  check_abort(abort, "skip_object");
  if (size > left()) {
    fatal("stream_reader::skip_object past the end of the configuration");
  }
  position_ += static_cast<size_t>(size);
}

}  // namespace host
