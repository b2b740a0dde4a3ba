#include "json.h"

namespace host {
namespace {

void skip_space(const Text& text, size_t& at) {
  while (at < text.size() &&
         (text[at] == ' ' || text[at] == '\n' || text[at] == '\r' || text[at] == '\t')) {
    ++at;
  }
}

int hex_digit(char c) {
  if (c >= '0' && c <= '9') {
    return c - '0';
  }
  if (c >= 'a' && c <= 'f') {
    return c - 'a' + 10;
  }
  if (c >= 'A' && c <= 'F') {
    return c - 'A' + 10;
  }
  return -1;
}

bool read_hex4(const Text& text, size_t& at, uint32_t& value) {
  value = 0;
  for (int i = 0; i < 4; ++i, ++at) {
    const int digit = at < text.size() ? hex_digit(text[at]) : -1;
    if (digit < 0) {
      return false;
    }
    value = value * 16 + static_cast<uint32_t>(digit);
  }
  return true;
}

void append_utf8(Text& out, uint32_t code) {
  char bytes[4];
  size_t size = 0;
  if (code < 0x80) {
    bytes[size++] = static_cast<char>(code);
  } else if (code < 0x800) {
    bytes[size++] = static_cast<char>(0xC0 | (code >> 6U));
    bytes[size++] = static_cast<char>(0x80 | (code & 0x3FU));
  } else if (code < 0x10000) {
    bytes[size++] = static_cast<char>(0xE0 | (code >> 12U));
    bytes[size++] = static_cast<char>(0x80 | ((code >> 6U) & 0x3FU));
    bytes[size++] = static_cast<char>(0x80 | (code & 0x3FU));
  } else {
    bytes[size++] = static_cast<char>(0xF0 | (code >> 18U));
    bytes[size++] = static_cast<char>(0x80 | ((code >> 12U) & 0x3FU));
    bytes[size++] = static_cast<char>(0x80 | ((code >> 6U) & 0x3FU));
    bytes[size++] = static_cast<char>(0x80 | (code & 0x3FU));
  }
  out.append(bytes, size);
}

bool read_string(const Text& text, size_t& at, Text& out) {
  if (at >= text.size() || text[at] != '"') {
    return false;
  }
  out = Text();
  for (++at; at < text.size(); ++at) {
    const char c = text[at];
    if (c == '"') {
      ++at;
      return true;
    }
    if (c != '\\') {
      out.append(&c, 1);
      continue;
    }
    if (++at >= text.size()) {
      return false;
    }
    const char* const plain = "\"\\/bfnrt";
    const char* const meant = "\"\\/\b\f\n\r\t";
    bool done = false;
    for (size_t i = 0; plain[i] != '\0'; ++i) {
      if (text[at] == plain[i]) {
        out.append(&meant[i], 1);
        done = true;
      }
    }
    if (done) {
      continue;
    }
    uint32_t code = 0;
    ++at;
    if (text[at - 1] != 'u' || !read_hex4(text, at, code)) {
      return false;
    }
    if (code >= 0xD800 && code < 0xDC00) {  // a surrogate pair
      uint32_t low = 0;
      if (at + 1 >= text.size() || text[at] != '\\' || text[at + 1] != 'u') {
        return false;
      }
      at += 2;
      if (!read_hex4(text, at, low)) {
        return false;
      }
      code = 0x10000 + ((code - 0xD800) << 10U) + (low - 0xDC00);
    }
    append_utf8(out, code);
    --at;  // the loop steps past the last digit
  }
  return false;
}

// Recursive as JSON nests; the service's history nests three deep.
bool skip_value(const Text& text, size_t& at) {  // NOLINT(misc-no-recursion)
  skip_space(text, at);
  if (at >= text.size()) {
    return false;
  }
  if (text[at] == '"') {
    Text ignored;
    return read_string(text, at, ignored);
  }
  if (text[at] == '{' || text[at] == '[') {
    const char close = text[at] == '{' ? '}' : ']';
    ++at;
    skip_space(text, at);
    if (at < text.size() && text[at] == close) {
      ++at;
      return true;
    }
    for (;;) {
      if (close == '}') {
        Text key;
        skip_space(text, at);
        if (!read_string(text, at, key)) {
          return false;
        }
        skip_space(text, at);
        if (at >= text.size() || text[at++] != ':') {
          return false;
        }
      }
      if (!skip_value(text, at)) {
        return false;
      }
      skip_space(text, at);
      if (at < text.size() && text[at] == ',') {
        ++at;
        continue;
      }
      return at < text.size() && text[at++] == close;
    }
  }
  // A number, true, false or null.
  const size_t start = at;
  while (at < text.size() && text[at] != ',' && text[at] != '}' && text[at] != ']' &&
         text[at] != ' ' && text[at] != '\n') {
    ++at;
  }
  return at > start;
}

// Finds member `name` of the object in `object`; `at` is where its value starts.
bool find_member(const Text& object, const char* name, size_t& at) {
  at = 0;
  skip_space(object, at);
  if (at >= object.size() || object[at] != '{') {
    return false;
  }
  ++at;
  for (;;) {
    skip_space(object, at);
    Text key;
    if (!read_string(object, at, key)) {
      return false;
    }
    skip_space(object, at);
    if (at >= object.size() || object[at++] != ':') {
      return false;
    }
    skip_space(object, at);
    if (key == name) {
      return true;
    }
    if (!skip_value(object, at)) {
      return false;
    }
    skip_space(object, at);
    if (at >= object.size() || object[at++] != ',') {
      return false;
    }
  }
}

}  // namespace

bool json_member(const Text& object, const char* name, Text& value) {
  size_t at = 0;
  if (!find_member(object, name, at)) {
    return false;
  }
  const size_t start = at;
  if (!skip_value(object, at)) {
    return false;
  }
  value = object.substr(start, at - start);
  return true;
}

bool json_string_member(const Text& object, const char* name, Text& value) {
  size_t at = 0;
  return find_member(object, name, at) && read_string(object, at, value);
}

bool json_array(const Text& object, const char* name, List<Text>& items) {
  Text array;
  if (!json_member(object, name, array) || array.empty() || array[0] != '[') {
    return false;
  }
  size_t at = 1;
  skip_space(array, at);
  if (at < array.size() && array[at] == ']') {
    return true;
  }
  for (;;) {
    skip_space(array, at);
    const size_t start = at;
    if (!skip_value(array, at)) {
      return false;
    }
    items.push(array.substr(start, at - start));
    skip_space(array, at);
    if (at >= array.size()) {
      return false;
    }
    if (array[at++] == ']') {
      return true;
    }
  }
}

}  // namespace host
