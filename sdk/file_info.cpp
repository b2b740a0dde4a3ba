#include "sdk/file_info.h"

std::size_t file_info::meta_get_count_by_name(const char* name) const {
  const std::size_t index = meta_find_ex(name, npos);
  return index == npos ? 0 : meta_enum_value_count(index);
}

const char* file_info::meta_get(const char* name, std::size_t value_index) const {
  const std::size_t index = meta_find_ex(name, npos);
  if (index == npos || value_index >= meta_enum_value_count(index)) {
    return nullptr;
  }
  return meta_enum_value(index, value_index);
}

const char* file_info::info_get(const char* name) const {
  const std::size_t index = info_find_ex(name, npos);
  return index == npos ? nullptr : info_enum_value(index);
}
