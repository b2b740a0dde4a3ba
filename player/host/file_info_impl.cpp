#include "player/host/file_info_impl.h"

#include <algorithm>
#include <string_view>

#include "player/host/not_offered.h"
#include "sdk/string_base.h"

namespace fbplayer {
namespace {

char ascii_lower(char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool same_field_name(std::string_view a, std::string_view b) {
  return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                    [](char x, char y) { return ascii_lower(x) == ascii_lower(y); });
}

// The index of the first element whose name matches `name`, or npos.
template <class Items, class Name>
std::size_t find_named(const Items& items, std::string_view name, Name name_of) {
  const auto it = std::find_if(items.begin(), items.end(), [&](const auto& item) {
    return same_field_name(name_of(item), name);
  });
  return it == items.end() ? file_info::npos : static_cast<std::size_t>(it - items.begin());
}

}  // namespace

file_info_impl::file_info_impl(const file_info_impl& other)
    : length_(other.length_),
      replaygain_(other.replaygain_),
      meta_(other.meta_),
      info_(other.info_) {}

file_info_impl& file_info_impl::operator=(const file_info_impl& other) {
  if (this != &other) {
    length_ = other.length_;
    replaygain_ = other.replaygain_;
    meta_ = other.meta_;
    info_ = other.info_;
  }
  return *this;
}

replaygain_info* file_info_impl::get_replaygain(replaygain_info* result) const {
  *result = replaygain_;
  return result;
}

const char* file_info_impl::meta_enum_name(std::size_t index) const {
  return index < meta_.size() ? meta_[index].name.c_str() : nullptr;
}

std::size_t file_info_impl::meta_enum_value_count(std::size_t index) const {
  return index < meta_.size() ? meta_[index].values.size() : 0;
}

const char* file_info_impl::meta_enum_value(std::size_t index, std::size_t value_index) const {
  if (index >= meta_.size() || value_index >= meta_[index].values.size()) {
    return nullptr;
  }
  return meta_[index].values[value_index].c_str();
}

std::size_t file_info_impl::meta_find_ex(const char* name, std::size_t name_length) const {
  return find_named(meta_, pfc::bounded_text(name, name_length),
                    [](const MetaField& f) -> std::string_view { return f.name; });
}

std::size_t file_info_impl::meta_set_ex(const char* name, std::size_t name_length,
                                        const char* value, std::size_t value_length) {
  const std::string_view field = pfc::bounded_text(name, name_length);
  std::size_t index = meta_find_ex(name, name_length);
  if (index == npos) {
    index = meta_.size();
    meta_.push_back({std::string(field), {}});
  }
  meta_[index].values.assign(1, std::string(pfc::bounded_text(value, value_length)));
  return index;
}

void file_info_impl::meta_insert_value_ex(std::size_t index, std::size_t value_index,
                                          const char* value, std::size_t value_length) {
  if (index < meta_.size()) {
    auto& values = meta_[index].values;
    const std::size_t at = std::min(value_index, values.size());
    values.insert(values.begin() + static_cast<std::ptrdiff_t>(at),
                  std::string(pfc::bounded_text(value, value_length)));
  }
}

void file_info_impl::meta_remove_mask(const bit_array& /*mask*/) {
  not_offered("file_info::meta_remove_mask");
}

void file_info_impl::meta_reorder(const std::size_t* order) {
  std::vector<MetaField> reordered;
  reordered.reserve(meta_.size());
  for (std::size_t i = 0; i < meta_.size(); ++i) {
    reordered.push_back(meta_.at(order[i]));
  }
  meta_ = std::move(reordered);
}

void file_info_impl::meta_remove_values(std::size_t /*index*/, const bit_array& /*mask*/) {
  not_offered("file_info::meta_remove_values");
}

void file_info_impl::meta_modify_value_ex(std::size_t index, std::size_t value_index,
                                          const char* value, std::size_t value_length) {
  if (index < meta_.size() && value_index < meta_[index].values.size()) {
    meta_[index].values[value_index] = std::string(pfc::bounded_text(value, value_length));
  }
}

const char* file_info_impl::info_enum_name(std::size_t index) const {
  return index < info_.size() ? info_[index].first.c_str() : nullptr;
}

const char* file_info_impl::info_enum_value(std::size_t index) const {
  return index < info_.size() ? info_[index].second.c_str() : nullptr;
}

std::size_t file_info_impl::info_set_ex(const char* name, std::size_t name_length,
                                        const char* value, std::size_t value_length) {
  std::size_t index = info_find_ex(name, name_length);
  if (index == npos) {
    index = info_.size();
    info_.emplace_back(std::string(pfc::bounded_text(name, name_length)), std::string());
  }
  info_[index].second = std::string(pfc::bounded_text(value, value_length));
  return index;
}

void file_info_impl::info_remove_mask(const bit_array& /*mask*/) {
  not_offered("file_info::info_remove_mask");
}

std::size_t file_info_impl::info_find_ex(const char* name, std::size_t name_length) const {
  return find_named(info_, pfc::bounded_text(name, name_length),
                    [](const auto& entry) -> std::string_view { return entry.first; });
}

void file_info_impl::copy(const file_info& source) {
  length_ = source.get_length();
  source.get_replaygain(&replaygain_);
  copy_meta(source);
  copy_info(source);
}

void file_info_impl::copy_meta(const file_info& source) {
  std::vector<MetaField> meta;
  for (std::size_t i = 0; i < source.meta_get_count(); ++i) {
    MetaField field{source.meta_enum_name(i), {}};
    for (std::size_t v = 0; v < source.meta_enum_value_count(i); ++v) {
      field.values.emplace_back(source.meta_enum_value(i, v));
    }
    meta.push_back(std::move(field));
  }
  meta_ = std::move(meta);
}

void file_info_impl::copy_info(const file_info& source) {
  std::vector<std::pair<std::string, std::string>> info;
  for (std::size_t i = 0; i < source.info_get_count(); ++i) {
    info.emplace_back(source.info_enum_name(i), source.info_enum_value(i));
  }
  info_ = std::move(info);
}

std::size_t file_info_impl::meta_set_nocheck_ex(const char* name, std::size_t name_length,
                                                const char* value, std::size_t value_length) {
  return meta_set_ex(name, name_length, value, value_length);
}

std::size_t file_info_impl::info_set_nocheck_ex(const char* name, std::size_t name_length,
                                                const char* value, std::size_t value_length) {
  return info_set_ex(name, name_length, value, value_length);
}

void file_info_impl::meta_add(const char* name, const char* value) {
  std::size_t index = meta_find_ex(name, npos);
  if (index == npos) {
    index = meta_.size();
    meta_.push_back({name, {}});
  }
  meta_[index].values.emplace_back(value);
}

void file_info_impl::meta_remove(const char* name) {
  const std::size_t index = meta_find_ex(name, npos);
  if (index != npos) {
    meta_.erase(meta_.begin() + static_cast<std::ptrdiff_t>(index));
  }
}

}  // namespace fbplayer
