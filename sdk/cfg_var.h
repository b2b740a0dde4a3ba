// Configuration variables: values the host keeps in its configuration for the component.
//
// Each variable is a static object with a fixed GUID. Constructing it puts it at the head of
// the component's two lists: readers (which take a stored value in) and writers (which give
// the value to store). The host keeps the component's configuration as a sequence of records,
//
//   GUID (16 bytes: 32-, 16- and 16-bit fields little-endian, then 8 bytes)
//   length (4 bytes, little-endian, unsigned)
//   data (length bytes)
//
// and hands it in through config_read_file before it starts the component; config_write_file
// produces the records again, one per variable, in list order. The player's abort flag goes
// with every read and write of its streams. All access to the variables happens on the main
// thread.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <type_traits>

#include "sdk/guid.h"
#include "sdk/stream.h"

class cfg_var_reader {
 public:
  const GUID& guid() const { return guid_; }

  // Takes the stored value from the `size` bytes of one record. A variable that needs more
  // bytes than it is given keeps its current value; bytes it does not need are ignored.
  virtual void set_data_raw(const std::uint8_t* data, std::size_t size) = 0;

  // Reads stored records into the variables whose GUIDs they carry. Records of unknown GUIDs
  // are skipped. A record cut short by the end of the stream changes nothing and ends the
  // reading, as does an incomplete record header.
  static void config_read_file(stream_reader& stream, abort_callback& abort);

  cfg_var_reader(const cfg_var_reader&) = delete;
  cfg_var_reader& operator=(const cfg_var_reader&) = delete;

 protected:
  explicit cfg_var_reader(const GUID& guid);
  ~cfg_var_reader() = default;

 private:
  GUID guid_;
  cfg_var_reader* next_;
  static inline constinit cfg_var_reader* list_ = nullptr;
};

class cfg_var_writer {
 public:
  const GUID& guid() const { return guid_; }

  // Writes the variable's encoded value.
  virtual void get_data_raw(stream_writer& out, abort_callback& abort) const = 0;

  // Writes one record for every variable, from the head of the list.
  static void config_write_file(stream_writer& stream, abort_callback& abort);

  cfg_var_writer(const cfg_var_writer&) = delete;
  cfg_var_writer& operator=(const cfg_var_writer&) = delete;

 protected:
  explicit cfg_var_writer(const GUID& guid);
  ~cfg_var_writer() = default;

 private:
  GUID guid_;
  cfg_var_writer* next_;
  static inline constinit cfg_var_writer* list_ = nullptr;
};

// A variable with both faces under one GUID.
class cfg_var : public cfg_var_reader, public cfg_var_writer {
 public:
  const GUID& guid() const { return cfg_var_reader::guid(); }

 protected:
  explicit cfg_var(const GUID& guid) : cfg_var_reader(guid), cfg_var_writer(guid) {}
  ~cfg_var() = default;
};

// An integer (or bool) variable, stored as sizeof(T) bytes little-endian. A bool is one byte,
// written as 1 or 0; any non-zero stored byte reads as true.
template <class T>
class cfg_int_t final : public cfg_var {
  static_assert(std::is_integral_v<T>);

 public:
  cfg_int_t(const GUID& guid, T default_value) : cfg_var(guid), value_(default_value) {}

  T get() const { return value_; }
  operator T() const { return value_; }  // NOLINT(google-explicit-constructor)
  cfg_int_t& operator=(T value) {
    value_ = value;
    return *this;
  }

  void set_data_raw(const std::uint8_t* data, std::size_t size) override {
    if (size < sizeof(T)) {
      return;
    }
    if constexpr (std::is_same_v<T, bool>) {
      value_ = data[0] != 0;
    } else {
      std::make_unsigned_t<T> bits = 0;
      for (std::size_t i = sizeof(T); i-- > 0;) {
        bits = static_cast<std::make_unsigned_t<T>>((bits << 8U) | data[i]);
      }
      value_ = static_cast<T>(bits);
    }
  }

  void get_data_raw(stream_writer& out, abort_callback& abort) const override {
    std::uint8_t bytes[sizeof(T)];
    if constexpr (std::is_same_v<T, bool>) {
      bytes[0] = value_ ? 1 : 0;
    } else {
      auto bits = static_cast<std::make_unsigned_t<T>>(value_);
      for (std::uint8_t& byte : bytes) {
        byte = static_cast<std::uint8_t>(bits & 0xFFU);
        bits = static_cast<std::make_unsigned_t<T>>(bits >> 8U);
      }
    }
    out.write(bytes, sizeof bytes, abort);
  }

 private:
  T value_;
};

// A UTF-8 string variable, stored as its bytes with no terminator (the record's length bounds
// it); the empty string is a record of length 0.
class cfg_string final : public cfg_var {
 public:
  cfg_string(const GUID& guid, std::string_view default_value)
      : cfg_var(guid), value_(default_value) {}

  const std::string& get() const { return value_; }
  const char* c_str() const { return value_.c_str(); }
  bool is_empty() const { return value_.empty(); }
  cfg_string& operator=(std::string_view value) {
    value_.assign(value);
    return *this;
  }

  void set_data_raw(const std::uint8_t* data, std::size_t size) override;
  void get_data_raw(stream_writer& out, abort_callback& abort) const override;

 private:
  std::string value_;
};
