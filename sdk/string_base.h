// pfc::string_base: where the player receives a UTF-8 string from the component (a
// std::string cannot cross the library boundary). The player's own string interface, in its
// slot order: add_string comes first, from the base it shares with other string receivers.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace pfc {

// The bytes of `text` up to `length` or its first NUL, whichever comes first: how the player
// reads a text passed with a length limit (~0 for a NUL-terminated one). Empty for null.
std::string_view bounded_text(const char* text, std::size_t length);

class string_receiver {
 public:
  // Appends up to `length` bytes of `text`, fewer when a NUL comes first.
  virtual void add_string(const char* text, std::size_t length) = 0;

 protected:
  string_receiver() = default;
  ~string_receiver() = default;
};

class string_base : public string_receiver {
 public:
  virtual const char* get_ptr() const = 0;
  // Replaces the contents with up to `length` bytes of `text`, fewer when a NUL comes first.
  virtual void set_string(const char* text, std::size_t length) = 0;
  virtual void truncate(std::size_t length) = 0;
  virtual std::size_t get_length() const = 0;
  // Room for `length` bytes (and a NUL) to write into directly, until unlock_buffer.
  virtual char* lock_buffer(std::size_t length) = 0;
  virtual void unlock_buffer() = 0;

  // Replaces the contents with `text`.
  void set_text(std::string_view text) { set_string(text.data(), text.size()); }

 protected:
  string_base() = default;
  ~string_base() = default;
};

// A string_base that keeps what it receives: the hosts' side.
class string8 final : public string_base {
 public:
  void add_string(const char* text, std::size_t length) override;
  const char* get_ptr() const override { return value_.c_str(); }
  void set_string(const char* text, std::size_t length) override;
  void truncate(std::size_t length) override;
  std::size_t get_length() const override { return value_.size(); }
  char* lock_buffer(std::size_t length) override;
  void unlock_buffer() override;

  const std::string& get() const { return value_; }

 private:
  std::string value_;
};

}  // namespace pfc
