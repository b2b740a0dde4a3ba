#include <algorithm>
#include <string_view>

#include "sdk/file_info.h"

namespace {

char ascii_lower(char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool same_field_name(std::string_view a, std::string_view b) {
  return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                    [](char x, char y) { return ascii_lower(x) == ascii_lower(y); });
}

}  // namespace

std::size_t file_info_impl::find_meta(const char* name) const {
  const auto it = std::find_if(meta_.begin(), meta_.end(), [name](const MetaField& f) {
    return same_field_name(f.name, name);
  });
  return static_cast<std::size_t>(it - meta_.begin());
}

std::size_t file_info_impl::meta_get_count_by_name(const char* name) const {
  const std::size_t field = find_meta(name);
  return field == meta_.size() ? 0 : meta_[field].values.size();
}

const char* file_info_impl::meta_get(const char* name, std::size_t index) const {
  const std::size_t field = find_meta(name);
  if (field == meta_.size() || index >= meta_[field].values.size()) {
    return nullptr;
  }
  return meta_[field].values[index].c_str();
}

const char* file_info_impl::info_get(const char* name) const {
  for (const auto& [entry, value] : info_) {
    if (same_field_name(entry, name)) {
      return value.c_str();
    }
  }
  return nullptr;
}

void file_info_impl::meta_add(const char* name, const char* value) {
  const std::size_t field = find_meta(name);
  if (field == meta_.size()) {
    meta_.push_back(MetaField{name, {}});
  }
  meta_[field].values.emplace_back(value);
}

void file_info_impl::meta_remove(const char* name) {
  const std::size_t field = find_meta(name);
  if (field != meta_.size()) {
    meta_.erase(meta_.begin() + static_cast<std::ptrdiff_t>(field));
  }
}

void file_info_impl::info_set(const char* name, const char* value) {
  for (auto& [entry, stored] : info_) {
    if (same_field_name(entry, name)) {
      stored = value;
      return;
    }
  }
  info_.emplace_back(name, value);
}

void file_info_impl::reset() {
  meta_.clear();
  info_.clear();
}

void file_info_impl::copy_to(file_info& out) const {
  out.reset();
  for (const MetaField& field : meta_) {
    for (const std::string& value : field.values) {
      out.meta_add(field.name.c_str(), value.c_str());
    }
  }
  for (const auto& [entry, value] : info_) {
    out.info_set(entry.c_str(), value.c_str());
  }
}
