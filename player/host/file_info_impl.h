// The stand-in hosts' file_info: a plain value holding a track's length, metadata and technical
// information, implementing the whole interface (its mask-based removals excepted, which no
// component of this repository calls).
#pragma once

#include <cstddef>
#include <string>
#include <utility>
#include <vector>

#include "sdk/file_info.h"

namespace fbplayer {

class file_info_impl final : public file_info {
 public:
  file_info_impl() = default;
  file_info_impl(const file_info_impl& other);
  file_info_impl& operator=(const file_info_impl& other);
  ~file_info_impl() = default;

  double get_length() const override { return length_; }
  void set_length(double length) override { length_ = length; }
  void set_replaygain(const replaygain_info& info) override { replaygain_ = info; }
  replaygain_info* get_replaygain(replaygain_info* result) const override;

  std::size_t meta_get_count() const override { return meta_.size(); }
  const char* meta_enum_name(std::size_t index) const override;
  std::size_t meta_enum_value_count(std::size_t index) const override;
  const char* meta_enum_value(std::size_t index, std::size_t value_index) const override;
  std::size_t meta_find_ex(const char* name, std::size_t name_length) const override;
  std::size_t meta_set_ex(const char* name, std::size_t name_length, const char* value,
                          std::size_t value_length) override;
  void meta_insert_value_ex(std::size_t index, std::size_t value_index, const char* value,
                            std::size_t value_length) override;
  void meta_remove_mask(const bit_array& mask) override;
  void meta_reorder(const std::size_t* order) override;
  void meta_remove_values(std::size_t index, const bit_array& mask) override;
  void meta_modify_value_ex(std::size_t index, std::size_t value_index, const char* value,
                            std::size_t value_length) override;

  std::size_t info_get_count() const override { return info_.size(); }
  const char* info_enum_name(std::size_t index) const override;
  const char* info_enum_value(std::size_t index) const override;
  std::size_t info_set_ex(const char* name, std::size_t name_length, const char* value,
                          std::size_t value_length) override;
  void info_remove_mask(const bit_array& mask) override;
  std::size_t info_find_ex(const char* name, std::size_t name_length) const override;

  void copy(const file_info& source) override;
  void copy_meta(const file_info& source) override;
  void copy_info(const file_info& source) override;
  std::size_t meta_set_nocheck_ex(const char* name, std::size_t name_length, const char* value,
                                  std::size_t value_length) override;
  std::size_t info_set_nocheck_ex(const char* name, std::size_t name_length, const char* value,
                                  std::size_t value_length) override;

  // Appends a value to metadata field `name`.
  void meta_add(const char* name, const char* value);
  // Removes metadata field `name` with all its values.
  void meta_remove(const char* name);
  // Sets technical-information entry `name`, replacing an earlier value.
  void info_set(const char* name, const char* value) { info_set_ex(name, npos, value, npos); }

 private:
  struct MetaField {
    std::string name;
    std::vector<std::string> values;
  };

  double length_ = 0;
  replaygain_info replaygain_{-1000, -1000, -1, -1};
  std::vector<MetaField> meta_;
  std::vector<std::pair<std::string, std::string>> info_;
};

}  // namespace fbplayer
