#include "sdk/string_base.h"

#include <cstring>

namespace pfc {

std::string_view bounded_text(const char* text, std::size_t length) {
  if (text == nullptr) {
    return {};
  }
  std::size_t size = 0;
  while (size < length && text[size] != '\0') {
    ++size;
  }
  return {text, size};
}

void string8::add_string(const char* text, std::size_t length) {
  value_.append(bounded_text(text, length));
}

void string8::set_string(const char* text, std::size_t length) {
  value_.assign(bounded_text(text, length));
}

void string8::truncate(std::size_t length) {
  if (length < value_.size()) {
    value_.resize(length);
  }
}

char* string8::lock_buffer(std::size_t length) {
  value_.assign(length, '\0');
  return value_.data();
}

void string8::unlock_buffer() {
  value_.resize(std::strlen(value_.c_str()));
}

}  // namespace pfc
