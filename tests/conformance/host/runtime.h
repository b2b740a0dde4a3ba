// What a freestanding program needs that a C++ library would otherwise give: heap objects, a
// growable array, an owning UTF-8 string, output, and the run's verdict. Nothing here throws;
// running out of memory ends the run.
#pragma once

// The C headers: a freestanding program has clang's own, and no C++ library.
#include <stddef.h>  // NOLINT(modernize-deprecated-headers)
#include <stdint.h>  // NOLINT(modernize-deprecated-headers)

#include "win32.h"

void* operator new(size_t size);
void* operator new[](size_t size);
void operator delete(void* block) noexcept;
void operator delete(void* block, size_t size) noexcept;
void operator delete[](void* block) noexcept;
inline void* operator new(size_t /*size*/, void* place) noexcept {
  return place;
}

namespace host {

template <class T>
T&& move(T& value) {
  return static_cast<T&&>(value);
}

// A UTF-8 string that owns its bytes; always NUL-terminated.
class Text {
 public:
  Text() = default;
  Text(const char* text);  // NOLINT(google-explicit-constructor): literals read as text
  Text(const char* text, size_t size);
  Text(const Text& other) : Text(other.data_, other.size_) {}
  Text(Text&& other) noexcept;
  Text& operator=(Text other) noexcept;
  ~Text();

  const char* c_str() const { return data_ != nullptr ? data_ : ""; }
  size_t size() const { return size_; }
  bool empty() const { return size_ == 0; }
  char operator[](size_t i) const { return data_[i]; }

  void append(const char* text, size_t size);
  Text& operator<<(const char* text);
  Text& operator<<(const Text& text) {
    append(text.data_, text.size_);
    return *this;
  }
  Text& operator<<(int64_t number);
  Text& operator<<(int number) { return *this << static_cast<int64_t>(number); }
  Text& operator<<(unsigned number) { return *this << static_cast<int64_t>(number); }
  Text& operator<<(long number) { return *this << static_cast<int64_t>(number); }
  Text& operator<<(unsigned long number) { return *this << static_cast<int64_t>(number); }
  Text& operator<<(unsigned long long number) { return *this << static_cast<int64_t>(number); }
  void truncate(size_t size);
  // Room for `size` bytes that the caller fills; the text is that long afterwards.
  char* reserve_exact(size_t size);

  bool operator==(const Text& other) const;
  bool operator==(const char* other) const;
  bool contains(const char* needle) const { return find(needle) != kNone; }
  bool starts_with(const char* prefix) const;
  size_t find(const char* needle, size_t from = 0) const;
  Text substr(size_t from, size_t count = kNone) const;

  static constexpr size_t kNone = static_cast<size_t>(-1);

 private:
  char* data_ = nullptr;
  size_t size_ = 0;
  size_t capacity_ = 0;
};

// The hexadecimal digits of `value`, at least `width` of them.
Text hex(uint64_t value, int width = 1);
// UTF-16 from UTF-8 and back, for the system's wide functions.
wchar_t* to_wide(const Text& text);  // delete[] the result
Text from_wide(const wchar_t* wide);

// A growable array of values that may have constructors and destructors.
template <class T>
class List {
 public:
  List() = default;
  List(const List&) = delete;
  List& operator=(const List&) = delete;
  ~List() {
    clear();
    ::operator delete(items_);
  }

  size_t size() const { return size_; }
  T& operator[](size_t i) { return items_[i]; }
  const T& operator[](size_t i) const { return items_[i]; }
  T* begin() { return items_; }
  T* end() { return items_ + size_; }
  const T* begin() const { return items_; }
  const T* end() const { return items_ + size_; }

  void push(T value) {
    if (size_ == capacity_) {
      const size_t capacity = capacity_ == 0 ? 8 : capacity_ * 2;
      // NOLINTNEXTLINE(bugprone-sizeof-expression): T may well be a pointer
      T* items = static_cast<T*>(::operator new(capacity * sizeof(T)));
      for (size_t i = 0; i < size_; ++i) {
        new (&items[i]) T(move(items_[i]));
        items_[i].~T();
      }
      ::operator delete(items_);
      items_ = items;
      capacity_ = capacity;
    }
    new (&items_[size_++]) T(move(value));
  }
  void erase(size_t index) {
    for (size_t i = index; i + 1 < size_; ++i) {
      items_[i] = move(items_[i + 1]);
    }
    items_[--size_].~T();
  }
  void clear() {
    while (size_ > 0) {
      items_[--size_].~T();
    }
  }

 private:
  T* items_ = nullptr;
  size_t size_ = 0;
  size_t capacity_ = 0;
};

// Guards data shared with the component's threads.
class Lock {
 public:
  explicit Lock(SrwLock& lock) : lock_(lock) { AcquireSRWLockExclusive(&lock_); }
  Lock(const Lock&) = delete;
  Lock& operator=(const Lock&) = delete;
  ~Lock() { ReleaseSRWLockExclusive(&lock_); }

 private:
  SrwLock& lock_;
};

inline int atomic_add(volatile long& value, long delta) {
  return static_cast<int>(__atomic_add_fetch(&value, delta, __ATOMIC_SEQ_CST));
}

// Writes one line to standard output (UTF-8, as the console lines are).
void out(const Text& line);

// The verdict. check() counts a failed expectation and goes on; fail() does the same for a
// failure found elsewhere; fatal() reports and ends the run at once, as the steps after it
// would only repeat it. A slot the component must not call ends the run too (see
// unexpected_slot in host_objects.h).
bool check(bool condition, const Text& what);
void fail(const Text& what);
[[noreturn]] void fatal(const Text& what);
int failures();
// Output that explains a failure, printed with it: the lines the component printed.
void set_failure_context(void (*print_context)());

// Milliseconds since some fixed moment; deadlines are differences of these.
inline DWORD now_ms() {
  return GetTickCount();
}

// Reads a whole file; false when it cannot be read.
bool read_file(const Text& path, Text& contents);
// An environment variable, or empty.
Text environment(const wchar_t* name);

// A stack pointer that differs after a call from before it means the callee popped other
// arguments than the caller pushed: on x86 each side of a thiscall counts the arguments from
// its own declaration, so a slot declared differently by the component shows here rather than
// as damage somewhere later.
// A macro, since the stack pointer must be read in the caller's own frame.
#if defined(__i386__)
// NOLINTNEXTLINE(cppcoreguidelines-macro-usage)
#define CALL_COMPONENT(what, ...)                                   \
  do {                                                              \
    uintptr_t stack_before_;                                        \
    uintptr_t stack_after_;                                         \
    asm volatile("movl %%esp, %0" : "=r"(stack_before_)::"memory"); \
    __VA_ARGS__;                                                    \
    asm volatile("movl %%esp, %0" : "=r"(stack_after_)::"memory");  \
    ::host::check_stack(what, stack_before_, stack_after_);         \
  } while (0)
#else
// NOLINTNEXTLINE(cppcoreguidelines-macro-usage)
#define CALL_COMPONENT(what, ...) \
  do {                            \
    __VA_ARGS__;                  \
  } while (0)
#endif
void check_stack(const char* what, uintptr_t before, uintptr_t after);

}  // namespace host
