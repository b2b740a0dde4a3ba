// string_base: where the host receives a UTF-8 string from the component (the component cannot
// hand out its own std::string across the library boundary).
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

class string_base {
 public:
  virtual void set_string(const char* text, std::size_t length) = 0;

  void set_string(std::string_view text) { set_string(text.data(), text.size()); }

 protected:
  string_base() = default;
  ~string_base() = default;
};

// A string_base that keeps what it receives.
class string8 final : public string_base {
 public:
  using string_base::set_string;
  void set_string(const char* text, std::size_t length) override { value_.assign(text, length); }
  const std::string& get() const { return value_; }

 private:
  std::string value_;
};
