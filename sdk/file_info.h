// file_info: a track's metadata (tags, several values per field) and its technical
// information (one value per entry name, e.g. what a stream reports while it plays).
//
// The player's interface, all 26 slots in its order (no service base). The component reads
// through the lookups at the end; the hosts implement the whole interface. Field and entry
// names compare without regard to ASCII letter case, as tag names do in the player. Strings are
// UTF-8; returned pointers stay valid until the object is next changed.
#pragma once

#include <cstddef>
#include <cstdint>

// Opaque to the component: a set of indices the player passes to its removal slots.
class bit_array;

// Loudness information; returned by value, so its slot takes MSVC's result pointer.
struct replaygain_info {
  float album_gain;
  float track_gain;
  float album_peak;
  float track_peak;
};

class file_info {
 public:
  static constexpr std::size_t npos = ~std::size_t{0};

  // Seconds; 0 when unknown.
  virtual double get_length() const = 0;
  virtual void set_length(double length) = 0;
  virtual void set_replaygain(const replaygain_info& info) = 0;
  virtual replaygain_info* get_replaygain(replaygain_info* result) const = 0;

  virtual std::size_t meta_get_count() const = 0;
  virtual const char* meta_enum_name(std::size_t index) const = 0;
  virtual std::size_t meta_enum_value_count(std::size_t index) const = 0;
  virtual const char* meta_enum_value(std::size_t index, std::size_t value_index) const = 0;
  // The index of field `name` (`name_length` bytes, or up to a NUL), or npos.
  virtual std::size_t meta_find_ex(const char* name, std::size_t name_length) const = 0;
  virtual std::size_t meta_set_ex(const char* name, std::size_t name_length, const char* value,
                                  std::size_t value_length) = 0;
  virtual void meta_insert_value_ex(std::size_t index, std::size_t value_index, const char* value,
                                    std::size_t value_length) = 0;
  virtual void meta_remove_mask(const bit_array& mask) = 0;
  virtual void meta_reorder(const std::size_t* order) = 0;
  virtual void meta_remove_values(std::size_t index, const bit_array& mask) = 0;
  virtual void meta_modify_value_ex(std::size_t index, std::size_t value_index, const char* value,
                                    std::size_t value_length) = 0;

  virtual std::size_t info_get_count() const = 0;
  virtual const char* info_enum_name(std::size_t index) const = 0;
  virtual const char* info_enum_value(std::size_t index) const = 0;
  virtual std::size_t info_set_ex(const char* name, std::size_t name_length, const char* value,
                                  std::size_t value_length) = 0;
  virtual void info_remove_mask(const bit_array& mask) = 0;
  // The index of entry `name` (`name_length` bytes, or up to a NUL), or npos.
  virtual std::size_t info_find_ex(const char* name, std::size_t name_length) const = 0;

  virtual void copy(const file_info& source) = 0;
  virtual void copy_meta(const file_info& source) = 0;
  virtual void copy_info(const file_info& source) = 0;
  virtual std::size_t meta_set_nocheck_ex(const char* name, std::size_t name_length,
                                          const char* value, std::size_t value_length) = 0;
  virtual std::size_t info_set_nocheck_ex(const char* name, std::size_t name_length,
                                          const char* value, std::size_t value_length) = 0;

  // Number of values of metadata field `name` (0 when the field is absent).
  std::size_t meta_get_count_by_name(const char* name) const;
  // Value `value_index` of metadata field `name`, or null when there is no such value.
  const char* meta_get(const char* name, std::size_t value_index) const;
  // Value of the technical-information entry `name`, or null when there is none.
  const char* info_get(const char* name) const;

  file_info(const file_info&) = delete;
  file_info& operator=(const file_info&) = delete;

 protected:
  file_info() = default;
  ~file_info() = default;
};
