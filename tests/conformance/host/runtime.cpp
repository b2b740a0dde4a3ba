#include "runtime.h"

// Symbols that clang's code for the Windows ABI refers to and that a C runtime would define:
// the marker that the program uses floating point, and the target of a call to a pure virtual
// function, which here can only mean a broken object.
extern "C" {
int _fltused = 0;
int __cdecl _purecall() {
  host::fatal("a pure virtual function was called");
}
}

void* operator new(size_t size) {
  void* block = HeapAlloc(GetProcessHeap(), 0, size == 0 ? 1 : size);
  if (block == nullptr) {
    // Said without a Text, which would need memory itself.
    static const char kMessage[] = "FAIL: out of memory\n";
    DWORD written = 0;
    WriteFile(GetStdHandle(kStdOutputHandle), kMessage, sizeof(kMessage) - 1, &written, nullptr);
    ExitProcess(1);
  }
  return block;
}
void* operator new[](size_t size) {
  return ::operator new(size);
}
void operator delete(void* block) noexcept {
  if (block != nullptr) {
    HeapFree(GetProcessHeap(), 0, block);
  }
}
void operator delete(void* block, size_t /*size*/) noexcept {
  ::operator delete(block);
}
void operator delete[](void* block) noexcept {
  ::operator delete(block);
}

namespace host {
namespace {

SrwLock g_output_lock;
volatile long g_failures = 0;
void (*g_print_context)() = nullptr;

}  // namespace

Text::Text(const char* text) : Text(text, text != nullptr ? strlen(text) : 0) {}

Text::Text(const char* text, size_t size) {
  append(text, size);
}

Text::Text(Text&& other) noexcept
    : data_(other.data_), size_(other.size_), capacity_(other.capacity_) {
  other.data_ = nullptr;
  other.size_ = other.capacity_ = 0;
}

Text& Text::operator=(Text other) noexcept {
  char* data = data_;
  data_ = other.data_;
  other.data_ = data;
  const size_t size = size_;
  size_ = other.size_;
  other.size_ = size;
  const size_t capacity = capacity_;
  capacity_ = other.capacity_;
  other.capacity_ = capacity;
  return *this;
}

Text::~Text() {
  delete[] data_;
}

void Text::append(const char* text, size_t size) {
  if (data_ == nullptr || size_ + size + 1 > capacity_) {
    size_t capacity = capacity_ == 0 ? 32 : capacity_;
    while (capacity < size_ + size + 1) {
      capacity *= 2;
    }
    char* data = new char[capacity];
    if (size_ > 0) {
      memcpy(data, data_, size_);
    }
    delete[] data_;
    data_ = data;
    capacity_ = capacity;
  }
  if (size > 0) {
    memcpy(data_ + size_, text, size);
  }
  size_ += size;
  data_[size_] = '\0';
}

Text& Text::operator<<(const char* text) {
  append(text, strlen(text));
  return *this;
}

// Decimal digits with 32-bit arithmetic alone: a 64-bit division would need a helper of the C
// runtime on x86. Larger numbers than 32 bits hold appear in hexadecimal.
Text& Text::operator<<(int64_t number) {
  if (number < -2147483647LL || number > 4294967295LL) {
    return *this << "0x" << hex(static_cast<uint64_t>(number));
  }
  if (number < 0) {
    append("-", 1);
    number = -number;
  }
  auto value = static_cast<uint32_t>(number);
  char digits[12];
  size_t count = 0;
  do {
    digits[count++] = static_cast<char>('0' + value % 10);
    value /= 10;
  } while (value != 0);
  while (count > 0) {
    append(&digits[--count], 1);
  }
  return *this;
}

void Text::truncate(size_t size) {
  if (size < size_) {
    size_ = size;
    data_[size_] = '\0';
  }
}

char* Text::reserve_exact(size_t size) {
  Text room;
  room.data_ = new char[size + 1];
  room.capacity_ = size + 1;
  room.size_ = size;
  memset(room.data_, ' ', size);
  room.data_[size] = '\0';
  *this = move(room);
  return data_;
}

bool Text::operator==(const Text& other) const {
  return size_ == other.size_ && (size_ == 0 || memcmp(data_, other.data_, size_) == 0);
}

bool Text::operator==(const char* other) const {
  return *this == Text(other);
}

bool Text::starts_with(const char* prefix) const {
  const size_t size = strlen(prefix);
  return size <= size_ && memcmp(data_, prefix, size) == 0;
}

size_t Text::find(const char* needle, size_t from) const {
  const size_t size = strlen(needle);
  for (size_t i = from; i + size <= size_; ++i) {
    if (memcmp(data_ + i, needle, size) == 0) {
      return i;
    }
  }
  return kNone;
}

Text Text::substr(size_t from, size_t count) const {
  if (from >= size_) {
    return {};
  }
  const size_t left = size_ - from;
  return {data_ + from, count < left ? count : left};
}

Text hex(uint64_t value, int width) {
  char digits[16];
  int count = 0;
  do {
    digits[count++] = "0123456789abcdef"[value & 0xFU];
    value >>= 4U;
  } while (value != 0 || count < width);
  Text text;
  while (count > 0) {
    text.append(&digits[--count], 1);
  }
  return text;
}

wchar_t* to_wide(const Text& text) {
  const int size = MultiByteToWideChar(kCodePageUtf8, 0, text.c_str(), -1, nullptr, 0);
  auto* wide = new wchar_t[size > 0 ? size : 1];
  wide[0] = L'\0';
  MultiByteToWideChar(kCodePageUtf8, 0, text.c_str(), -1, wide, size);
  return wide;
}

Text from_wide(const wchar_t* wide) {
  const int size = WideCharToMultiByte(kCodePageUtf8, 0, wide, -1, nullptr, 0, nullptr, nullptr);
  if (size <= 1) {
    return {};
  }
  Text text;
  char* bytes = text.reserve_exact(static_cast<size_t>(size));
  WideCharToMultiByte(kCodePageUtf8, 0, wide, -1, bytes, size, nullptr, nullptr);
  text.truncate(static_cast<size_t>(size - 1));
  return text;
}

void out(const Text& line) {
  Text copy = line;
  copy << "\n";
  const Lock lock(g_output_lock);
  DWORD written = 0;
  WriteFile(GetStdHandle(kStdOutputHandle), copy.c_str(), static_cast<DWORD>(copy.size()), &written,
            nullptr);
}

bool check(bool condition, const Text& what) {
  if (!condition) {
    fail(what);
  }
  return condition;
}

void fail(const Text& what) {
  atomic_add(g_failures, 1);
  out(Text("FAIL: ") << what);
}

void fatal(const Text& what) {
  fail(what);
  if (g_print_context != nullptr) {
    g_print_context();
  }
  out(Text("conformance: stopped at the first failure that later steps depend on"));
  ExitProcess(1);
}

int failures() {
  return static_cast<int>(__atomic_load_n(&g_failures, __ATOMIC_SEQ_CST));
}

void set_failure_context(void (*print_context)()) {
  g_print_context = print_context;
}

bool read_file(const Text& path, Text& contents) {
  wchar_t* wide = to_wide(path);
  HANDLE file = CreateFileW(wide, kGenericRead, kFileShareAll, nullptr, kOpenExisting, 0, nullptr);
  delete[] wide;
  if (reinterpret_cast<intptr_t>(file) == -1) {  // INVALID_HANDLE_VALUE
    return false;
  }
  contents = Text();
  char buffer[2048];  // under a page: a bigger frame would need the C runtime's stack probe
  DWORD read = 0;
  bool ok = true;
  while ((ok = ReadFile(file, buffer, sizeof(buffer), &read, nullptr) != 0) && read > 0) {
    contents.append(buffer, read);
  }
  CloseHandle(file);
  return ok;
}

Text environment(const wchar_t* name) {
  wchar_t value[1024];  // under a page, as in read_file
  const DWORD size = GetEnvironmentVariableW(name, value, sizeof(value) / sizeof(value[0]));
  if (size == 0 || size >= sizeof(value) / sizeof(value[0])) {
    return {};
  }
  return from_wide(value);
}

void check_stack(const char* what, uintptr_t before, uintptr_t after) {
  if (before != after) {
    const int64_t difference = static_cast<int64_t>(after) - static_cast<int64_t>(before);
    fatal(Text("the stack pointer moved by ")
          << difference << " bytes across " << what
          << ": the component's declaration of this slot takes other arguments than the "
             "player's");
  }
}

}  // namespace host
